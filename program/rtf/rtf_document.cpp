// Splitting a document into topics and reading its header tables.
#include <algorithm>
#include <vector>

#include "rtf_document.h"
#include "rtf_lexer.h"

const std::array<uint32_t, 16> RtfDocument::kDefaultColours = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
    0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

namespace {

constexpr size_t kStyleLimit = 100;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }
bool IsDigitAt(const std::string& text, size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; }
bool IsPageBreak(const std::string& text) { return text == "\\page" || text == "\\page "; }

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

enum class Group { None, Colours, Fonts, Styles };

// Reads the footnote whose "#{\footnote" token was just scanned.
std::string CollectFootnote(RtfLexer& lexer, char mark) {
    std::string text;
    int depth = 1;
    while (depth > 0) {
        int result = lexer.NextToken();
        if (lexer.Text().empty()) break;
        if (result == 1 && lexer.Text() == "{") {
            ++depth;
        } else if (result == 1 && lexer.Text() == "}") {
            --depth;
        } else if (result == 0 && !(lexer.Text().size() == 1 && lexer.Text()[0] == mark)) {
            text += lexer.Text();
        }
    }
    return Trim(text);
}

}  // namespace

void RtfDocument::Reset(const std::string& viewFontName) {
    colours = kDefaultColours;
    fonts.assign(1, TFontRec{viewFontName, viewFontName, 0, 0, 0});
    styles.clear();
    topics.clear();
    headerEnd = 0;
}

int32_t RtfDocument::FontIndex(int32_t number) const {
    for (size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i].number == number) return int32_t(i);
    return 0;
}

const TTopic* RtfDocument::FindTopic(const std::string& name) const {
    for (const TTopic& topic : topics)
        if (topic.name == name) return &topic;
    return nullptr;
}

bool RtfDocument::Parse(RtfLexer& lexer) {
    // Text before any "\plain" has RTF's default look: the plain character
    // and paragraph state.
    TRtfState state;
    state.defaultTab = 720;
    lexer.SetControlType(rtPlain);
    ApplyControlWord(lexer, "\\plain", state, *this);
    lexer.SetControlType(rtPard);
    ApplyControlWord(lexer, "\\pard", state, *this);
    lexer.SetControlType(rtOther);
    std::vector<TRtfState> stack;
    Group group = Group::None;
    int depth = 0, groupDepth = 0, colourIndex = -1;
    uint32_t red = 0, green = 0, blue = 0;
    TFontRec font;
    RtfStyle style;
    TTopic topic;
    topic.name = "Contents";
    topic.state = state;

    for (;;) {
        int result = lexer.NextToken();
        if (lexer.Text().empty()) break;
        const std::string& t = lexer.Text();
        if (result == 1 && IsPageBreak(t)) {
            // A topic without footnotes starts right after the break.
            topics.push_back(std::move(topic));
            topic = TTopic{};
            topic.state = state;
            topic.offset = lexer.Position();
            continue;
        }
        if (result == 1 && t == "{") {
            stack.push_back(state);
            ++depth;
            continue;
        }
        if (result == 1 && t == "}") {
            if (!stack.empty()) {
                state = stack.back();
                stack.pop_back();
            }
            --depth;
            if (group != Group::None && depth < groupDepth) {
                headerEnd = std::max<int32_t>(headerEnd, lexer.Position());
                group = Group::None;
            }
            continue;
        }
        if (result == 1 && (t == "\\colortbl" || t == "\\colortbl ")) {
            group = Group::Colours, groupDepth = depth, colourIndex = -1;
            red = green = blue = 0;
            continue;
        }
        if (result == 1 && (t == "\\fonttbl" || t == "\\fonttbl ")) {
            group = Group::Fonts, groupDepth = depth;
            continue;
        }
        if (result == 1 && (t == "\\stylesheet" || t == "\\stylesheet ")) {
            group = Group::Styles, groupDepth = depth, style = RtfStyle{};
            continue;
        }
        if (result == 1 && t.size() >= 11 && t.compare(2, 9, "\\footnote") == 0) {
            char mark = t[0];
            std::string text = CollectFootnote(lexer, mark);
            switch (mark) {
                case '#':
                    topic.name = text;
                    break;
                case '$':
                    topic.title = text;
                    break;
                case '+':
                    topic.browse = text;
                    break;
                case 'K':
                    topic.keywords = text;
                    break;
                default:
                    break;
            }
            // The topic's text starts after its last footnote, in the state there.
            topic.offset = lexer.Position();
            topic.state = state;
            continue;
        }
        switch (group) {
            case Group::Colours:
                if (result == 1 && StartsWith(t, "\\red"))
                    red = ParseRtfNumber(t, 0) & 0xFF;
                else if (result == 1 && StartsWith(t, "\\green"))
                    green = ParseRtfNumber(t, 0) & 0xFF;
                else if (result == 1 && StartsWith(t, "\\blue"))
                    blue = ParseRtfNumber(t, 0) & 0xFF;
                else if (result == 0) {
                    for (char c : t) {
                        if (c != ';') continue;
                        if (colourIndex >= 0 && colourIndex <= 15) colours[colourIndex] = red | green << 8 | blue << 16;
                        ++colourIndex;
                        if (colourIndex <= 15) {
                            // Components an entry leaves out keep the default colour's.
                            uint32_t d = kDefaultColours[colourIndex];
                            red = d & 0xFF, green = (d >> 8) & 0xFF, blue = (d >> 16) & 0xFF;
                        }
                    }
                }
                break;
            case Group::Fonts:
                if (result == 1) {
                    if (t.size() >= 3 && t[1] == 'f' && IsDigitAt(t, 2) && StartsWith(t, "\\f")) {
                        font = TFontRec{};
                        font.number = ParseRtfNumber(t, 0);
                    } else if (t == "\\fdecorative" || t == "\\fdecorative ")
                        font.family = 80;
                    else if (t == "\\fdontcare" || t == "\\fdontcare ")
                        font.family = 0;
                    else if (t == "\\fmodern" || t == "\\fmodern ")
                        font.family = 48;
                    else if (t == "\\froman" || t == "\\froman ")
                        font.family = 16;
                    else if (t == "\\fscript" || t == "\\fscript ")
                        font.family = 64;
                    else if (t == "\\fswiss" || t == "\\fswiss ")
                        font.family = 32;
                    else if (StartsWith(t, "\\fcharset"))
                        font.charset = uint8_t(ParseRtfNumber(t, 0));
                } else {
                    font.name += t;
                    if (!font.name.empty() && font.name.back() == ';') {
                        font.name.pop_back();
                        font.name = Trim(font.name);
                        font.oldName = font.name;
                        fonts.push_back(font);
                        font.name.clear();
                    }
                }
                break;
            case Group::Styles:
                if (result == 1 && t.size() >= 3 && StartsWith(t, "\\s") && IsDigitAt(t, 2)) {
                    style.number = ParseRtfNumber(t, 0);
                } else if (result == 1) {
                    // Whole words only, each ending in its blank, so that the words
                    // pushed back on "\s" cannot run into the text after them.
                    std::string word = t;
                    if (word.size() > 1 && word[0] == '\\' && word.back() != ' ') word += ' ';
                    if (style.definition.size() + word.size() <= kStyleLimit) style.definition += word;
                } else if (!t.empty() && t.back() == ';') {
                    styles.push_back(style);
                    style.definition.clear();
                }
                break;
            case Group::None:
                if (result == 1) ApplyControlWord(lexer, t, state, *this);
                break;
        }
    }
    topics.push_back(std::move(topic));
    return !lexer.Failed();
}
