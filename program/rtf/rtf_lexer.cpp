#include "rtf_lexer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

size_t LexMemoryInput::Read(char* buffer, size_t n) {
    size_t k = pos_ < size_ ? std::min(n, size_ - pos_) : 0;
    std::memcpy(buffer, data_ + pos_, k);
    pos_ += k;
    return k;
}

void LexMemoryInput::Seek(long offset) { pos_ = offset < 0 ? 0 : static_cast<size_t>(offset); }

LexFileInput::LexFileInput(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
LexFileInput::~LexFileInput() {
    if (file_) std::fclose(file_);
}
size_t LexFileInput::Read(char* buffer, size_t n) { return file_ ? std::fread(buffer, 1, n, file_) : 0; }
long LexFileInput::Position() { return file_ ? std::ftell(file_) : 0; }
void LexFileInput::Seek(long offset) {
    if (file_) std::fseek(file_, offset, SEEK_SET);
}

namespace {

constexpr size_t kBlockSize = 128;
// Longest token: a longer text run or word is cut here and continues as the next token.
constexpr size_t kTokenLimit = 200;

bool IsLineEnd(int c) { return c == 10 || c == 13; }

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsAlnum(int c) { return IsLetter(c) || IsDigit(c); }
bool IsRunChar(int c) { return c >= 33 && c <= 255 && c != '\\' && c != '{' && c != '}'; }
bool IsMark(int c) { return c == '#' || c == '$' || c == '+' || c == 'B' || c == 'K'; }

// Forms a control word may take: a number (required or not) and the blank
// after it, which delimits the word and belongs to the token.
enum Form { kNumberRequired, kNumberOptional, kToggle, kBare };

struct Word {
    std::string_view name;
    Form form;
};

// In type order: index + 1 is the control-word type.
constexpr Word kWords[] = {
    {"f", kNumberRequired},
    {"fs", kNumberRequired},
    {"s", kNumberRequired},
    {"cf", kNumberRequired},
    {"cb", kNumberRequired},
    {"linex", kNumberOptional},
    {"deftab", kNumberOptional},
    {"b", kToggle},
    {"i", kToggle},
    {"strike", kToggle},
    {"caps", kToggle},
    {"scaps", kToggle},
    {"v", kToggle},
    {"plain", kBare},
    {"keepn", kBare},
    {"pard", kBare},
    {"ul", kBare},
    {"ulw", kBare},
    {"uld", kBare},
    {"uldb", kBare},
    {"ulnone", kBare},
    {"qr", kBare},
    {"ql", kBare},
    {"qc", kBare},
    {"qj", kBare},
    {"brdrt", kBare},
    {"brdrb", kBare},
    {"brdrl", kBare},
    {"brdrr", kBare},
    {"box", kBare},
    {"up", kNumberRequired},
    {"dn", kNumberRequired},
    {"fi", kNumberOptional},
    {"li", kNumberOptional},
    {"ri", kNumberOptional},
    {"sb", kNumberOptional},
    {"sa", kNumberOptional},
    {"sl", kNumberOptional},
    {"brspn", kNumberOptional},
};
static_assert(sizeof(kWords) / sizeof(kWords[0]) == rtBrspn);

int WordType(std::string_view letters, bool hasNumber) {
    for (size_t i = 0; i < sizeof(kWords) / sizeof(kWords[0]); ++i) {
        if (kWords[i].name != letters) continue;
        switch (kWords[i].form) {
            case kNumberRequired:
                return hasNumber ? int(i) + 1 : rtOther;
            case kBare:
                return hasNumber ? rtOther : int(i) + 1;
            default:
                return int(i) + 1;
        }
    }
    return rtOther;
}

int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

// The next raw character (line ends included), 0 at the end of the input.
int RtfLexer::Get() {
    if (count_ == 0 && input_ && !Failed()) {
        char block[kBlockSize];
        size_t n = input_->Read(block, kBlockSize);
        while (n > 0) stack_[count_++] = block[--n];
    }
    if (count_ == 0) return 0;
    return static_cast<unsigned char>(stack_[--count_]);
}

// Line ends never reach a token, but they do end a control word (so that
// "\par" at the end of a line and the text on the next stay apart).
int RtfLexer::GetSkippingLineEnds() {
    int c;
    do c = Get();
    while (IsLineEnd(c));
    return c;
}

bool RtfLexer::Push(int c) {
    if (count_ >= kPushBackSize) {
        // Reading on would lose characters: the lexer stops here.
        error_ = "input buffer overflow";
        count_ = 0;
        return false;
    }
    stack_[count_++] = static_cast<char>(c);
    return true;
}

void RtfLexer::Reset() {
    count_ = 0;
    text_.clear();
}

// text_ holds the prefix and the backslash; reads letters, a number run and
// one blank. Any number and a following blank belong to the same word:
// "\b0 " is "\b0", as RTF readers agree.
int RtfLexer::ScanControlWord() {
    size_t start = text_.size();
    int c = Get();
    while (IsLetter(c) && text_.size() < kTokenLimit) {
        text_ += char(c);
        c = Get();
    }
    std::string_view letters(text_.data() + start, text_.size() - start);
    size_t lettersEnd = text_.size();
    while ((IsDigit(c) || c == '-') && text_.size() < kTokenLimit) {
        text_ += char(c);
        c = Get();
    }
    bool hasNumber = text_.size() > lettersEnd;
    if (c == ' ' && text_.size() < kTokenLimit) {
        text_ += ' ';
    } else if (!IsLineEnd(c)) {
        Push(c);
    }
    letters = std::string_view(text_.data() + start, lettersEnd - start);
    controlType_ = WordType(letters, hasNumber);
    return 1;
}

// "\'hh" becomes the character hh (a blank when not hexadecimal); "\\" stays.
void RtfLexer::DecodeEscapes() {
    if (text_.find("\\'") == std::string::npos) return;
    std::string out;
    out.reserve(text_.size());
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\\' && i + 1 < text_.size() && text_[i + 1] == '\\') {
            out += "\\\\";
            ++i;
        } else if (text_[i] == '\\' && i + 3 < text_.size() && text_[i + 1] == '\'') {
            int hi = HexValue(static_cast<unsigned char>(text_[i + 2]));
            int lo = HexValue(static_cast<unsigned char>(text_[i + 3]));
            out += (hi < 0 || lo < 0) ? ' ' : char(hi * 16 + lo);
            i += 3;
        } else {
            out += text_[i];
        }
    }
    text_.swap(out);
}

// A text run from c on: run characters, "\\" and "\'" with two letters or
// digits, across line ends; at most 200 characters.
int RtfLexer::ScanTextRun(int c) {
    for (;;) {
        if (IsLineEnd(c)) {
            c = Get();
            continue;
        }
        if (IsRunChar(c) && text_.size() < kTokenLimit) {
            text_ += char(c);
            c = Get();
            continue;
        }
        if (c == '\\') {
            int n = Get();
            if (n == '\\' && text_.size() + 2 <= kTokenLimit) {
                text_ += "\\\\";
                c = Get();
                continue;
            }
            if (n == '\'') {
                int a = Get();
                int b = IsAlnum(a) ? Get() : 0;
                if (IsAlnum(a) && IsAlnum(b) && text_.size() + 4 <= kTokenLimit) {
                    text_ += '\\';
                    text_ += '\'';
                    text_ += char(a);
                    text_ += char(b);
                    c = Get();
                    continue;
                }
                if (IsAlnum(a)) Push(b);
                Push(a);
            }
            Push(n);
        }
        Push(c);
        break;
    }
    DecodeEscapes();
    return 0;
}

// "\*" opens a group that readers may skip: read to its closing brace.
int RtfLexer::SkipGroup() {
    int depth = 1;
    while (depth > 0) {
        int c = Get();
        if (c == 0) break;  // unbalanced to the end: the skip ends there
        if (c == '\\') {
            Get();  // an escaped brace does not count
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
        }
    }
    text_ = "}";
    return 1;
}

// Does "{\footnote" follow? Reads ahead and pushes everything back.
bool RtfLexer::FootnoteFollows() {
    static constexpr char kWord[] = "{\\footnote";
    char seen[sizeof(kWord)];
    size_t n = 0;
    bool match = true;
    while (n + 1 < sizeof(kWord)) {
        int c = Get();
        seen[n++] = char(c);
        if (c != kWord[n - 1]) {
            match = false;
            break;
        }
    }
    while (n > 0) Push(static_cast<unsigned char>(seen[--n]));
    return match;
}

// After a backslash: -1 when nothing was returned (a lone backslash is dropped).
int RtfLexer::ScanBackslash() {
    int n = GetSkippingLineEnds();
    if (IsLetter(n)) {
        Push(n);
        text_ = "\\";
        return ScanControlWord();
    }
    switch (n) {
        case 0:
            Push(0);
            return -1;
        case '{': {
            int b = Get(), m = b == 'b' ? Get() : 0, k = m == 'm' ? Get() : 0;
            if (k == 'c' || k == 'l' || k == 'r') {
                text_ = "\\{bm";
                text_ += char(k);
                controlType_ = rtPicture;
                return 1;
            }
            if (m == 'm') Push(k);
            if (b == 'b') Push(m);
            Push(b);
            text_ = "{";
            return 0;
        }
        case '}':
            text_ = "}";
            return 0;
        case '\\':
        case '\'':
            Push(n);
            text_.clear();
            return ScanTextRun('\\');
        case '*':
            return SkipGroup();
        default:
            Push(n);
            return -1;
    }
}

void RtfLexer::Seek(long offset) {
    Reset();
    error_.clear();
    if (input_) input_->Seek(offset);
}

long RtfLexer::Position() const { return (input_ ? input_->Position() : 0) - count_; }

bool RtfLexer::PushBack(const std::string& text) {
    for (size_t i = text.size(); i > 0; --i)
        if (!Push(static_cast<unsigned char>(text[i - 1]))) return false;
    return true;
}

int RtfLexer::NextToken() {
    for (;;) {
        text_.clear();
        if (Failed()) return 0;
        int c = GetSkippingLineEnds();
        switch (c) {
            case 0:
                Reset();
                return 0;
            case '{':
            case '}':
                text_ = char(c);
                return 1;
            case ' ':
                text_ = " ";
                return 0;
            case '\t':
                // A tab is a word of its own: it must not re-apply the previous word.
                text_ = "\\tab";
                controlType_ = rtOther;
                return 1;
            case '\\': {
                int result = ScanBackslash();
                if (result >= 0) return result;
                continue;
            }
            default:
                if (c < 33) continue;  // other control characters are dropped
                if (IsMark(c) && FootnoteFollows()) {
                    // "#{\footnote" arrives as one word: its mark tells the field.
                    text_ = char(c);
                    text_ += '{';
                    Get();
                    Get();
                    text_ += '\\';
                    return ScanControlWord();
                }
                return ScanTextRun(c);
        }
    }
}

int32_t ParseRtfNumber(const std::string& text, int32_t def) {
    std::string rest;
    for (char c : text)
        if (c == '+' || c == '-' || IsDigit(static_cast<unsigned char>(c))) rest += c;
    size_t i = 0;
    bool negative = false;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) negative = rest[i++] == '-';
    if (i == rest.size()) return def;
    int64_t value = 0;
    for (; i < rest.size(); ++i) {
        if (!IsDigit(static_cast<unsigned char>(rest[i]))) return def;
        value = value * 10 + (rest[i] - '0');
        if (value > 2147483648LL) return def;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return def;
    // The smallest value stays free as an "absent" marker.
    if (value == -2147483648LL) return -2147483647;
    return static_cast<int32_t>(value);
}
