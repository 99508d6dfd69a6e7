#include "dataset_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host_tools.h"
#include "settings/text_helpers.h"

bool LoadPicture(const std::string& path, RgbPicture& out, int& code) {
    RecordGuard r;
    code = K_LoadBitmap(path.c_str(), r.get(), 24, 0);
    if (code != K_OK) return false;
    BitmapRecord* b = r.get();
    out.width = b->Width;
    out.height = b->Height;
    out.pixels.assign(static_cast<size_t>(b->Width) * b->Height, 0);
    std::vector<unsigned char> row(static_cast<size_t>(b->BytesPerLine));
    K_AccessBitmap(b);
    for (int y = 0; y < b->Height; ++y) {
        int stored = b->ViewPerspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
        K_GetBitmapRow(b, row.data(), stored, b->BytesPerLine);
        for (int x = 0; x < b->Width; ++x) {
            const unsigned char* p = &row[static_cast<size_t>(x) * 3];
            out.pixels[static_cast<size_t>(y) * b->Width + x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    K_ReleaseBitmap(b);
    return true;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& prefix, const std::string& suffix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        std::string n = e.path().filename().string();
        if (n.size() >= prefix.size() + suffix.size() && n.compare(0, prefix.size(), prefix) == 0 &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

const CharSet kBar("|");

// The keywords in the order the piece reader tries them.
const char* const kKeywords[] = {"LINESG", "LINESP", "LINES", "LINE",     "NIT",     "LIP",      "ARC2Y",
                                 "ARC2X",  "ARC",    "TEXT",  "ELLIPSE2", "ELLIPSE", "POINTFILL"};

Primitive ReadPrimitive(std::string line, bool& known) {
    Primitive p;
    known = false;
    for (const char* k : kKeywords) {
        if (CutPrefix(line, k)) {
            p.keyword = k;
            known = true;
            break;
        }
    }
    if (!known) return p;
    int words = CountWords(line, BlankSet);
    for (int i = 1; i <= words; ++i) {
        std::string w = WordAt(i, line, BlankSet);
        if (!w.empty() && (w[0] == '(' || w[0] == '*'))
            p.points.emplace_back(w);
        else
            p.rest += (p.rest.empty() ? "" : " ") + w;
    }
    return p;
}

}  // namespace

GarmentFile ReadGarmentFile(const std::string& path) {
    std::string text = ReadWholeFile(path);
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    if (lines.empty()) throw std::runtime_error("empty garment file " + path);

    GarmentFile g;
    // Title line: Title(width,height)|@token,token
    const std::string& head = lines[0];
    std::string tokens = WordAt(2, head, kBar);
    if (!tokens.empty() && tokens[0] == '@') {
        g.otherDollFrame = true;
        tokens.erase(0, 1);
    }
    for (int i = 1; i <= CountWords(tokens, CommaSet); ++i) g.incompatible.push_back(WordAt(i, tokens, CommaSet));
    std::string first = WordAt(1, head, kBar);
    g.title = WordAt(1, first, ParenSet);
    if (first.size() <= g.title.size()) throw std::runtime_error("title line without a size: " + head);
    std::string size = first.substr(g.title.size() + 1);
    if (!size.empty() && size.back() == ')') size.pop_back();
    g.width = ReadInteger(WordAt(1, size, CommaSet));
    g.height = ReadInteger(WordAt(2, size, CommaSet));

    // Pieces: a header line, primitive lines, a closing "}".
    size_t i = 1;
    while (i < lines.size()) {
        std::string header = lines[i++];
        TrimInitialBlanks(header);
        if (header.empty()) continue;
        PatternPiece piece;
        piece.name = WordAt(1, header, ParenSet);
        std::string numbers = header.substr(std::min(header.size(), piece.name.size()));
        StripParentheses(numbers);
        if (CountWords(numbers, CommaSet) != 4) throw std::runtime_error("piece header without its box: " + header);
        piece.left = ReadInteger(WordAt(1, numbers, CommaSet));
        piece.top = ReadInteger(WordAt(2, numbers, CommaSet));
        piece.width = ReadInteger(WordAt(3, numbers, CommaSet));
        piece.height = ReadInteger(WordAt(4, numbers, CommaSet));
        bool closed = false;
        while (i < lines.size()) {
            std::string body = lines[i++];
            TrimInitialBlanks(body);
            if (!body.empty() && body[0] == '}') {
                closed = true;
                break;
            }
            bool known = false;
            Primitive p = ReadPrimitive(body, known);
            if (!known) throw std::runtime_error("unknown primitive line in " + piece.name + ": " + body);
            piece.primitives.push_back(std::move(p));
        }
        if (!closed) throw std::runtime_error("piece without its closing line: " + piece.name);
        g.pieces.push_back(std::move(piece));
    }
    return g;
}
