// The CCITT decoder: a byte at a time through the six code tables of the
// library's resources (see resources/ccitt/make_code_tables.py for their
// layout), black runs filled into the row as they are decoded, and each
// row kept as a list of colour changes for the next two-dimensional row.
#include <algorithm>
#include <cstring>
#include <new>

#include "fax/code_tables.h"
#include "fax/ccitt_bits.h"
#include "fax/ccitt_coder.h"
#include "volkg.h"

namespace {

// Results of the inner readers; they never leave the decoder.
constexpr int kNoCode = -70;
constexpr int kEnded = -71;
constexpr int kEol = -72;

// Codes of the tables.
constexpr int kRunInvalid = 1, kRunWhite = 2, kRunBlack = 106, kRunEol = 210;
constexpr int kModePass = 1, kModeHorizontal = 2, kModeV0 = 6, kModeUncompressed = 10, kModeExtension = 11,
              kModeZeros = 12;
constexpr int kUncExit = 8, kUncInvalid = 13, kUncEol = 14;

// A run no row can use; make-up codes add up to no more than this.
constexpr int kRunCap = 1 << 24;

int RunOfIndex(int index) {
    if (index < 64) return index;
    if (index < 91) return (index - 63) * 64;
    return 1792 + (index - 91) * 64;
}

// Sets pixels [a, b) to 1.
void FillBlack(unsigned char* row, int a, int b) {
    if (a >= b) return;
    const int first = a >> 3, last = (b - 1) >> 3;
    const unsigned char head = static_cast<unsigned char>(0xFF >> (a & 7));
    const unsigned char tail = static_cast<unsigned char>(0xFF << (7 - ((b - 1) & 7)));
    if (first == last) {
        row[first] |= head & tail;
        return;
    }
    row[first] |= head;
    if (last - first > 1) std::memset(row + first + 1, 0xFF, static_cast<size_t>(last - first - 1));
    row[last] |= tail;
}

}  // namespace

struct FaxDecoder::State {
    FaxOptions o;
    int width = 0;
    int rowBytes = 0;
    bool twoD = false;  // rows kept as change lists
    bool tablesHeld = false;
    const unsigned char* modeCode = nullptr;
    const unsigned char* modeNext = nullptr;
    const unsigned char* uncCode = nullptr;
    const unsigned char* uncNext = nullptr;
    const unsigned char* runCode = nullptr;
    const unsigned char* runNext = nullptr;
    const unsigned char* translate = nullptr;

    ChunkSource* input = nullptr;
    int inputError = 0;
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    unsigned byte = 0;
    int pos = 0;             // bit position in byte; 0: the next read takes a new byte
    bool next2D = false;     // Group 3 2-D: the next row is coded 2-D
    bool eolTaken = false;   // the row ended on an EOL already read
    bool pageEnded = false;  // Group 4 EOFB seen: the rows after it are white

    // Change lists: ascending positions where the colour changes (even
    // index: white to black), then three width end marks. A change at the
    // position of the one before cancels it (a run of no pixels), so the
    // positions rise strictly and a list never holds more than width + 1.
    int* ref = nullptr;
    int* cur = nullptr;
    int curCount = 0;

    ~State() {
        delete[] ref;
        delete[] cur;
        if (tablesHeld) K_Free1BitTable();
    }

    // ---- Bit input ----------------------------------------------------------

    bool Refill() {
        if (!input) return false;
        const unsigned char* data = nullptr;
        size_t size = 0;
        const int r = input->Next(&data, &size);
        if (r != 1 || size == 0) {
            if (r < 0) inputError = r;
            input = nullptr;
            return false;
        }
        p = data;
        end = data + size;
        return true;
    }
    bool NextByte() {
        if (p == end && !Refill()) return false;
        byte = translate[*p++];
        return true;
    }
    int ReadBit() {
        if (pos == 0 && !NextByte()) return -1;
        const int bit = static_cast<int>(byte >> (7 - pos) & 1);
        pos = (pos + 1) & 7;
        return bit;
    }
    // One code through a table pair from a start state (the bit position,
    // plus offset): the code, or 0 when the data ended.
    int ReadCode(const unsigned char* codes, const unsigned char* next, int offset) {
        if (pos == 0 && !NextByte()) return 0;
        unsigned state = static_cast<unsigned>(pos + offset);
        for (;;) {
            const unsigned i = state * 256 + byte;
            const int code = codes[i];
            if (code) {
                pos = next[i];
                return code;
            }
            if (!NextByte()) return 0;
            state = next[i];
        }
    }
    // One run with its make-up codes: the run, or kNoCode, kEnded, kEol.
    int ReadRun(bool black) {
        int run = 0;
        for (;;) {
            const int code = ReadCode(runCode, runNext, black ? 8 : 0);
            if (code == 0) return kEnded;
            if (code == kRunInvalid) return kNoCode;
            if (code == kRunEol) return kEol;
            const int index = code - (black ? kRunBlack : kRunWhite);
            run = std::min(run + RunOfIndex(index), kRunCap);
            if (index < 64) return run;
        }
    }
    // Passes bits up to and including the next EOL (eleven or more 0 bits,
    // then a 1): false when the data ends first.
    bool SkipToEol(int zeros) {
        for (;;) {
            if (pos == 0) {
                if (!NextByte()) return false;
                // Whole zero bytes at once: fill bits can be long.
                if (byte == 0) {
                    zeros += 8;
                    continue;
                }
            }
            for (int i = pos; i < 8; ++i) {
                if (!(byte >> (7 - i) & 1)) {
                    ++zeros;
                } else if (zeros >= 11) {
                    pos = (i + 1) & 7;
                    return true;
                } else {
                    zeros = 0;
                }
            }
            pos = 0;
        }
    }

    // ---- Change lists -------------------------------------------------------

    void Change(int x) {
        if (curCount > 0 && cur[curCount - 1] == x)
            --curCount;
        else
            cur[curCount++] = x;
    }
    void CloseList() {
        if (!twoD) return;
        cur[curCount] = cur[curCount + 1] = cur[curCount + 2] = width;
        std::swap(ref, cur);
        curCount = 0;
    }
    void WhiteReference() { ref[0] = ref[1] = ref[2] = width; }

    // ---- Rows -----------------------------------------------------------------

    // A 1-D row: 1 complete, 0 cut short by an EOL (read), kNoCode, kEnded.
    int Decode1D(unsigned char* row) {
        int a = 0;
        bool black = false;
        int result = 1;
        while (a < width) {
            const int run = ReadRun(black);
            if (run < 0) {
                result = run == kEol ? 0 : run;
                break;
            }
            const int b = std::min(a + run, width);
            if (black) FillBlack(row, a, b);
            if (twoD && b < width) Change(b);
            a = b;
            black = !black;
        }
        CloseList();
        return result;
    }

    // A 2-D row against the reference list: 1; 0 ended on an EOL (read);
    // ccitt codes.
    int Decode2D(unsigned char* row) {
        int a0 = -1;
        int colour = 0;
        int bi = 0;
        int result = 1;
        while (a0 < width) {
            if (bi > 0) --bi;
            while (ref[bi] <= a0) ++bi;
            if ((bi & 1) != colour) ++bi;
            const int b1 = ref[bi], b2 = ref[bi + 1];
            const int start = a0 < 0 ? 0 : a0;
            const int mode = ReadCode(modeCode, modeNext, 0);
            if (mode == 0) {
                result = ccitt::kDataEnded;
                break;
            }
            if (mode == kModePass) {
                if (colour) FillBlack(row, start, b2);
                a0 = b2;
            } else if (mode == kModeHorizontal) {
                const int r1 = ReadRun(colour != 0);
                const int r2 = r1 < 0 ? r1 : ReadRun(colour == 0);
                if (r2 < 0) {
                    result = RunFailure(r2);
                    break;
                }
                const int a1 = std::min(start + r1, width), a2 = std::min(a1 + r2, width);
                FillBlack(row, colour ? start : a1, colour ? a1 : a2);
                if (a1 < width) Change(a1);
                if (a2 < width) Change(a2);
                a0 = a2;
            } else if (mode < kModeUncompressed) {
                // Vertical: within the row and never left of a0.
                const int a1 = std::clamp(b1 + (mode - kModeV0), start, width);
                if (colour) FillBlack(row, start, a1);
                if (a1 < width) Change(a1);
                colour ^= 1;
                a0 = a1;
            } else if (mode == kModeUncompressed) {
                const int r = Uncompressed(row, start, &colour, &a0);
                if (r != 1) {
                    result = r;
                    break;
                }
            } else if (mode == kModeExtension) {
                break;
            } else if (mode == kModeZeros) {
                // EOFB in Group 4; in Group 3 an EOL where a code belongs.
                if (o.noEol || o.coding == FaxCoding::Group4) {
                    pageEnded = true;
                    break;
                }
                SkipToEol(7);
                eolTaken = true;
                result = ccitt::kEolInRow;
                break;
            } else {
                result = ccitt::kBadModeCode;
                break;
            }
        }
        CloseList();
        return result;
    }

    int RunFailure(int r) {
        if (r == kEnded) return ccitt::kDataEnded;
        if (r == kEol) {
            eolTaken = true;
            return ccitt::kEolInRow;
        }
        return ccitt::kBadModeCode;
    }

    // Uncompressed mode from x: pixels as they come until an exit code.
    int Uncompressed(unsigned char* row, int x, int* colour, int* a0) {
        auto put = [&](int pixel, int count) {
            if (count <= 0 || x >= width) return;
            if (pixel != *colour) {
                Change(x);
                *colour = pixel;
            }
            const int to = std::min(x + count, width);
            if (pixel) FillBlack(row, x, to);
            x = to;
        };
        for (;;) {
            const int code = ReadCode(uncCode, uncNext, 0);
            if (code == 0 || code == kUncInvalid) return ccitt::kDataEnded;
            if (code == kUncEol) {
                eolTaken = true;
                *a0 = width;
                return 1;
            }
            if (code < 7) {
                put(0, code - 2);
                put(1, 1);
            } else if (code == 7) {
                put(0, 5);
            } else {
                put(0, code - kUncExit);
                const int tag = ReadBit();
                if (tag < 0) return ccitt::kDataEnded;
                if (tag != *colour && x < width) {
                    Change(x);
                    *colour = tag;
                }
                *a0 = x;
                // A row that ends in uncompressed mode is complete.
                if (x >= width) *a0 = width;
                return 1;
            }
        }
    }
};

FaxDecoder::FaxDecoder() = default;
FaxDecoder::~FaxDecoder() { delete s_; }

int FaxDecoder::Init(const FaxOptions& options) {
    if (options.width < 1 || options.width > ccitt::kMaxWidth) return K_ERR_ARGUMENT;
    delete s_;
    s_ = new (std::nothrow) State;
    if (!s_) return K_ERR_MEMORY;
    State& s = *s_;
    s.o = options;
    s.width = options.width;
    s.rowBytes = (options.width + 7) / 8;
    s.twoD = options.coding == FaxCoding::Group3TwoD || options.coding == FaxCoding::Group4;
    if (K_Create1BitTable() != K_OK) return K_ERR_MEMORY;
    s.tablesHeld = true;
    s.modeCode = CcittCodeTable(1);
    s.modeNext = CcittCodeTable(2);
    s.uncCode = CcittCodeTable(3);
    s.uncNext = CcittCodeTable(4);
    s.runCode = CcittCodeTable(5);
    s.runNext = CcittCodeTable(6);
    s.translate = ccitt::ByteTranslation(options.reverseBits);
    if (s.twoD) {
        s.ref = new (std::nothrow) int[static_cast<size_t>(s.width) + 4];
        s.cur = new (std::nothrow) int[static_cast<size_t>(s.width) + 4];
        if (!s.ref || !s.cur) return K_ERR_MEMORY;
    }
    return K_OK;
}

int FaxDecoder::Start(ChunkSource* input) {
    if (!s_ || !s_->runCode) return K_ERR_MEMORY;
    State& s = *s_;
    s.input = input;
    s.inputError = 0;
    s.p = s.end = nullptr;
    s.pos = 0;
    s.eolTaken = false;
    s.pageEnded = false;
    s.curCount = 0;
    s.next2D = s.o.coding == FaxCoding::Group4;
    if (s.twoD) s.WhiteReference();
    if ((s.o.coding == FaxCoding::Group3OneD || s.o.coding == FaxCoding::Group3TwoD) && !s.o.noEol) {
        if (s.SkipToEol(0) && s.o.coding == FaxCoding::Group3TwoD) s.next2D = s.ReadBit() == 0;
    }
    return s.inputError < 0 ? s.inputError : K_OK;
}

int FaxDecoder::DecodeRow(unsigned char* row) {
    if (!s_ || !s_->runCode) return K_ERR_MEMORY;
    State& s = *s_;
    std::memset(row, 0, static_cast<size_t>(s.rowBytes));
    s.eolTaken = false;
    if (s.pageEnded) return K_OK;
    int r;
    if (s.o.coding == FaxCoding::ModifiedHuffman) {
        r = s.Decode1D(row);
        // Every row starts on a byte.
        s.pos = 0;
        if (s.inputError < 0) return s.inputError;
        return r >= 0 ? K_OK : ccitt::kDataEnded;
    }
    const bool g3 = s.o.coding != FaxCoding::Group4;
    if (s.next2D) {
        r = s.Decode2D(row);
    } else {
        r = s.Decode1D(row);
        if (r == 0) {
            s.eolTaken = true;
            r = 1;
        } else if (r == kNoCode) {
            // A bad 1-D code cuts the row short; decoding goes on after the next EOL.
            if (!s.o.noEol) s.eolTaken = s.SkipToEol(0);
            r = 1;
        } else if (r == kEnded) {
            r = ccitt::kDataEnded;
        }
    }
    if (s.inputError < 0) return s.inputError;
    if (g3 && !s.o.noEol && r != ccitt::kDataEnded) {
        if (!s.eolTaken) s.SkipToEol(0);
        if (s.o.coding == FaxCoding::Group3TwoD) {
            const int tag = s.ReadBit();
            if (tag >= 0) s.next2D = tag == 0;
        }
    }
    return r == 0 ? K_OK : r;
}
