// Finding the raster image of a PostScript program. Not an interpreter: the
// top level is scanned token by token, `def` is remembered, a procedure
// called by name is scanned in place, and the operands of the first
// `image` or `colorimage` are taken from the items before it.
#include "formats/eps_program.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A program that has not shown its image after this many bytes is not a
// picture we load (every writer we know puts the image within its first
// few kilobytes; the data follow it).
constexpr int kScanBytes = 4 << 20;
// Items kept per procedure or array, and procedure calls followed inside
// one another: enough for any prolog, and a bound for hostile nesting.
constexpr size_t kGroupTokens = 65536;
constexpr int kCallDepth = 8;
// Items remembered at the top level: image operands are among the last few.
constexpr size_t kStackItems = 64;
// Names resolved through definitions (a name defined as another name).
constexpr int kNameDepth = 8;
// Tokens run inside called procedures and looked through for the data
// source, in all: procedures that call each other several times over would
// otherwise multiply without end. The top level is bounded by its bytes.
constexpr long kRunTokens = 1 << 16;

enum class Kind { Name, Literal, Number, Open, Close, OpenArray, CloseArray, Other, End };

struct Token {
    Kind kind = Kind::End;
    std::string text;
};

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }
bool IsDelimiter(int c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
           c == '%';
}

class Tokenizer {
public:
    Tokenizer(Source& in) : in_(in), start_(in.Tell()) {}

    // The next token; End at the end of the data or past the scan limit.
    Token Next() {
        Token t;
        int c = Get();
        for (;;) {
            while (c >= 0 && IsSpace(c)) c = Get();
            if (c != '%') break;
            while (c >= 0 && c != '\r' && c != '\n') c = Get();  // comment to the line end
        }
        if (c < 0 || in_.Tell() - start_ > kScanBytes) return t;
        switch (c) {
            case '{':
                t.kind = Kind::Open;
                return t;
            case '}':
                t.kind = Kind::Close;
                return t;
            case '[':
                t.kind = Kind::OpenArray;
                return t;
            case ']':
                t.kind = Kind::CloseArray;
                return t;
            case '(':
                SkipString();
                t.kind = Kind::Other;
                return t;
            case '<': {
                int d = Get();
                if (d != '<') {
                    while (d >= 0 && d != '>') d = Get();  // hexadecimal string
                }
                t.kind = Kind::Other;
                return t;
            }
            case '>': {
                int d = Get();
                if (d != '>') Unget(d);
                t.kind = Kind::Other;
                return t;
            }
            case ')':
                t.kind = Kind::Other;
                return t;
            default:
                break;
        }
        t.kind = Kind::Name;
        if (c == '/') {
            t.kind = Kind::Literal;
            c = Get();
            if (c == '/') c = Get();  // immediately evaluated name
        }
        while (c >= 0 && !IsSpace(c) && !IsDelimiter(c)) {
            if (t.text.size() < 256) t.text += static_cast<char>(c);
            c = Get();
        }
        // The character that ends a token is consumed with it unless it
        // begins the next one, as the PostScript scanner does.
        if (c >= 0 && IsDelimiter(c)) Unget(c);
        if (t.kind == Kind::Name && !t.text.empty()) {
            char* end = nullptr;
            std::strtod(t.text.c_str(), &end);
            if (end && *end == 0) t.kind = Kind::Number;
        }
        return t;
    }

private:
    int Get() {
        if (back_ >= 0) {
            int c = back_;
            back_ = -1;
            return c;
        }
        return in_.Byte();
    }
    void Unget(int c) { back_ = c; }
    void SkipString() {
        int depth = 1;
        while (depth > 0) {
            int c = Get();
            if (c < 0) return;
            if (c == '\\')
                Get();
            else if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
        }
    }
    Source& in_;
    int start_;
    int back_ = -1;

public:
    // File position of the next unread byte.
    int Position() const { return in_.Tell() - (back_ >= 0 ? 1 : 0); }
};

// One operand: a token, or a procedure or array with its tokens.
struct Item {
    Token token;
    bool group = false;
    // The tokens of a group, nested groups flattened with their braces;
    // shared, so that a call does not copy them.
    std::shared_ptr<std::vector<Token>> body;
};

struct Scan {
    Tokenizer& tokens;
    std::map<std::string, Item> definitions;
    std::vector<Item> stack;
    PsImage* image;
    bool found = false;
    bool failed = false;
    long run = 0;
    int callPosition = -1;  // the data follow the top-level token being run

    void Push(Item item) {
        stack.push_back(std::move(item));
        if (stack.size() > kStackItems) stack.erase(stack.begin());
    }

    // A group from its tokens after the opening one; false when it does not close.
    // Inside a called procedure every token counts toward the run bound.
    bool ReadGroup(const std::function<Token()>& next, Kind open, Kind close, bool counted, Item* item) {
        item->group = true;
        item->token.kind = open;
        item->body = std::make_shared<std::vector<Token>>();
        int depth = 1;
        for (;;) {
            Token t = next();
            if (t.kind == Kind::End) return false;
            if (t.kind == open) ++depth;
            if (t.kind == close && --depth == 0) return true;
            if (item->body->size() >= kGroupTokens || (counted && ++run > kRunTokens)) return false;
            item->body->push_back(std::move(t));
        }
    }

    // A number, directly or through definitions; -1 when it is none.
    double Number(const Item& item, int depth = 0) const {
        if (item.group || depth > kNameDepth) return -1;
        if (item.token.kind == Kind::Number) return std::strtod(item.token.text.c_str(), nullptr);
        if (item.token.kind != Kind::Name) return -1;
        auto it = definitions.find(item.token.text);
        return it == definitions.end() ? -1 : Number(it->second, depth + 1);
    }

    // True when a procedure reads through `readhexstring`, directly or in a
    // procedure it calls by name.
    bool ReadsHex(const std::vector<Token>& body, int depth = 0) {
        if (depth > kNameDepth) return false;
        for (const Token& t : body) {
            if (++run > kRunTokens) return false;
            if (t.kind != Kind::Name) continue;
            if (t.text == "readhexstring") return true;
            auto it = definitions.find(t.text);
            if (it != definitions.end() && it->second.group && ReadsHex(*it->second.body, depth + 1)) return true;
        }
        return false;
    }
    bool ReadsHex(const Item& item) {
        if (item.group) return ReadsHex(*item.body);
        auto it = definitions.find(item.token.text);
        return it != definitions.end() && it->second.group && ReadsHex(*it->second.body, 1);
    }

    // The operands of image (components 0) or colorimage on the stack.
    void TakeImage(bool color) {
        size_t n = stack.size();
        auto at = [&](size_t back) -> const Item& { return stack[n - back]; };
        int components = 1;
        bool planar = false;
        size_t used = 1;  // items above the matrix
        if (color) {
            if (n < 2) return Fail();
            double c = Number(at(1));
            const Token& multi = at(2).token;
            if (at(2).group || (multi.text != "true" && multi.text != "false")) return Fail();
            if (c != 1 && c != 3 && c != 4) return Fail();
            components = static_cast<int>(c);
            planar = multi.text == "true" && components > 1;
            used = 2 + (planar ? components : 1);
        }
        if (n < used + 4) return Fail();
        // The procedures lie between the matrix and the operands after them.
        const size_t first = color ? 3 : 1;
        for (size_t i = first; i <= used; ++i)
            if (!ReadsHex(at(i))) return Fail();
        const double bits = Number(at(used + 2));
        const double height = Number(at(used + 3));
        const double width = Number(at(used + 4));
        if (width < 1 || height < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return Fail();
        if (width != static_cast<int>(width) || height != static_cast<int>(height)) return Fail();
        const bool depthKnown = components == 1 ? (bits == 1 || bits == 4 || bits == 8) : bits == 8;
        if (!depthKnown) return Fail();
        image->width = static_cast<int>(width);
        image->height = static_cast<int>(height);
        image->bitsPerComponent = static_cast<int>(bits);
        image->components = components;
        image->planar = planar;
        found = true;
    }
    void Fail() { failed = true; }

    // Runs tokens: from the file at the top level, or a procedure's body.
    void Run(const std::function<Token()>& next, int depth) {
        while (!found && !failed) {
            Token t = next();
            if (t.kind == Kind::End) return;
            if (depth > 0 && ++run > kRunTokens) return Fail();
            if (depth == 0) callPosition = tokens.Position();
            if (t.kind == Kind::Open || t.kind == Kind::OpenArray) {
                Item item;
                if (!ReadGroup(next, t.kind, t.kind == Kind::Open ? Kind::Close : Kind::CloseArray, depth > 0, &item))
                    return Fail();
                Push(std::move(item));
                continue;
            }
            if (t.kind != Kind::Name) {
                Push(Item{std::move(t), false, {}});
                continue;
            }
            if (t.text == "def") {
                if (stack.size() >= 2 && !stack[stack.size() - 2].group &&
                    stack[stack.size() - 2].token.kind == Kind::Literal) {
                    definitions[stack[stack.size() - 2].token.text] = std::move(stack.back());
                    stack.resize(stack.size() - 2);
                }
                continue;
            }
            if (t.text == "bind") continue;  // leaves the procedure where it is
            if (t.text == "image" || t.text == "colorimage") {
                TakeImage(t.text == "colorimage");
                if (found) image->dataOffset = callPosition;
                return;
            }
            auto it = definitions.find(t.text);
            if (it != definitions.end() && it->second.group && it->second.token.kind == Kind::Open &&
                depth < kCallDepth) {
                // A procedure called by name runs in place.
                const std::shared_ptr<std::vector<Token>> body = it->second.body;
                size_t i = 0;
                Run([&]() { return i < body->size() ? (*body)[i++] : Token{}; }, depth + 1);
                continue;
            }
            Push(Item{std::move(t), false, {}});
        }
    }
};

}  // namespace

bool FindPsImage(Source& in, PsImage* image) {
    Tokenizer tokens(in);
    Scan scan{tokens, {}, {}, image};
    scan.Run([&]() { return tokens.Next(); }, 0);
    return scan.found;
}

int64_t PsRowBytes(const PsImage& image) {
    return (static_cast<int64_t>(image.width) * image.bitsPerComponent + 7) / 8 * image.components;
}

namespace {

// Value of a hexadecimal digit, -1 for any other character.
struct HexTable {
    signed char value[256];
    constexpr HexTable() : value() {
        for (int i = 0; i < 256; ++i) value[i] = -1;
        for (int i = 0; i < 10; ++i) value['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = static_cast<signed char>(10 + i);
            value['a' + i] = static_cast<signed char>(10 + i);
        }
    }
};
constexpr HexTable kHex;

}  // namespace

int HexDecoder::Decode(unsigned char* out, int count) {
    int i = 0;
    while (i < count) {
        int available = 0;
        const unsigned char* p = in_.Window(&available);
        if (!p) return K_ERR_READ;
        int used = 0;
        while (used < available && i < count) {
            const int v = kHex.value[p[used++]];
            if (v < 0) continue;
            if (high_ < 0) {
                high_ = v;
            } else {
                out[i++] = static_cast<unsigned char>(high_ << 4 | v);
                high_ = -1;
            }
        }
        in_.Consume(used);
    }
    return K_OK;
}
