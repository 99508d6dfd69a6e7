// The topic builder: the tokens of one topic become layout elements.
#include <cctype>
#include <cmath>
#include <utility>
#include <filesystem>

#include "rtf_view.h"

namespace {

enum Mode { kNormal, kPictureData, kPictureFile };

bool Is(const std::string& t, const char* word) {
    size_t n = std::char_traits<char>::length(word);
    return t.compare(0, n, word) == 0 && (t.size() == n || (t.size() == n + 1 && t[n] == ' '));
}
bool StartsWith(const std::string& t, const char* prefix) { return t.rfind(prefix, 0) == 0; }

std::string FoldBackslashes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') ++i;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal digit pairs; a pair that is not hexadecimal is 0.
void AppendHex(std::string& data, const std::string& text, int& pending) {
    for (char c : text) {
        if (c == ' ') continue;
        if (pending < 0) {
            pending = static_cast<unsigned char>(c);
            continue;
        }
        int hi = HexDigit(char(pending)), lo = HexDigit(c);
        data += char(hi < 0 || lo < 0 ? 0 : hi * 16 + lo);
        pending = -1;
    }
}

// Groups whose text is not part of the page. Our help files keep them
// before the first topic's footnotes; word processors (pandoc, office
// suites) write them where a topic without footnotes starts.
bool IsHiddenDestination(const std::string& t) {
    static const char* const kWords[] = {"fonttbl",  "colortbl", "stylesheet", "info",         "footnote",
                                         "header",   "footer",   "headerl",    "headerr",      "headerf",
                                         "footerl",  "footerr",  "footerf",    "listtable",    "listoverridetable",
                                         "rsidtbl",  "revtbl",   "filetbl",    "latentstyles", "fldinst",
                                         "xmlnstbl", "pgdsctbl"};
    size_t start = t.find('\\');
    if (start == std::string::npos) return false;
    size_t end = start + 1;
    while (end < t.size() && std::isalpha(static_cast<unsigned char>(t[end]))) ++end;
    std::string word = t.substr(start + 1, end - start - 1);
    for (const char* w : kWords)
        if (word == w) return true;
    return false;
}

// Reads to the end of the group that is open at depth.
void SkipToGroupEnd(RtfLexer& lexer, int& depth) {
    int target = depth;
    for (;;) {
        int r = lexer.NextToken();
        if (lexer.Text().empty()) return;
        if (r != 1) continue;
        if (lexer.Text() == "{" || (lexer.Text().size() > 2 && lexer.Text()[1] == '{'))
            ++depth;
        else if (lexer.Text() == "}" && --depth < target)
            return;
    }
}

// "\uN": a Unicode character, written by pandoc and office suites with a
// fallback character after it. Returns false for other words.
bool UnicodeWord(const std::string& t, int& code) {
    if (t.size() < 3 || t[0] != '\\' || t[1] != 'u' || !(std::isdigit(static_cast<unsigned char>(t[2])) || t[2] == '-'))
        return false;
    code = ParseRtfNumber(t, '?');
    if (code < 0) code += 65536;
    return true;
}

std::string Trim(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

}  // namespace

RtfFont TrtfView::FontOf(const TRtfState& st) const {
    const TFontRec& rec = doc_.fonts[st.font >= 0 && size_t(st.font) < doc_.fonts.size() ? st.font : 0];
    RtfFont f;
    f.name = rec.name;
    f.charset = rec.charset;
    f.family = rec.family;
    f.size = st.fontSize / 2;
    f.bold = st.bold;
    f.italic = st.italic;
    f.underline = st.underline || st.underlineKind != ulNone;
    return f;
}

void TrtfView::MakeHot(const std::string& target) {
    if (elements_.empty()) return;
    TRTFElement* last = elements_.back().get();
    if (auto* text = dynamic_cast<TRTFText*>(last)) {
        uint32_t colour = text->textColor;
        elements_.back() = std::make_unique<TRTFHotText>(*text, target);
        if (colour != HotColor) return;
        // The words of a double-underlined link before it, blanks between them.
        for (size_t i = elements_.size() - 1; i-- > 1;) {
            TRTFElement* e = elements_[i].get();
            if (typeid(*e) != typeid(TRTFText)) continue;
            auto* word = static_cast<TRTFText*>(e);
            if (word->textColor != HotColor) break;
            elements_[i] = std::make_unique<TRTFHotText>(*word, target);
        }
    } else if (auto* bitmap = dynamic_cast<TRTFBitmap*>(last)) {
        elements_.back() = std::make_unique<TRTFHotBitmap>(*bitmap, target);
    }
}

void TrtfView::AddPictureFile(std::string name, const TRtfState& state) {
    namespace fs = std::filesystem;
    name = Trim(name);
    std::error_code ec;
    std::string path;
    if (name.find_first_of("/\\:") == std::string::npos) {
        std::string inFolder = (fs::path(fileName_).parent_path() / name).string();
        if (fs::exists(inFolder, ec)) path = inFolder;
    }
    if (path.empty() && !name.empty() && fs::exists(name, ec)) path = name;
    if (path.empty()) {
        elements_.push_back(
            std::make_unique<TRTFText>("{" + name + "}", FontOf(state), state.textColor, state.backColor));
        return;
    }
    std::shared_ptr<RtfPicture> picture = host_.LoadPicture(path);
    int w = picture ? picture->Width() : 0, h = picture ? picture->Height() : 0;
    elements_.push_back(std::make_unique<TRTFBitmap>(picture, RtfMulDiv(w, 1440, 96), RtfMulDiv(h, 1440, 96)));
}

void TrtfView::BuildTopic(TRtfState state, long offset) {
    lexer_.Seek(offset);
    Mode mode = kNormal;
    int depth = 0, pictureDepth = 0;
    std::vector<TRtfState> stack;
    auto paragraph = std::make_unique<TRTFParagraph>(state, FontOf(state));
    TRTFParagraph* current = paragraph.get();
    elements_.push_back(std::move(paragraph));
    std::string pictureData, pictureName;
    int pending = -1;
    int goalW = 0, goalH = 0, picW = 0, picH = 0, scaleX = 100, scaleY = 100;
    RtfPictureKind kind = RtfPictureKind::Metafile;
    // A Unicode character joins the text just before it, and the text after
    // its fallback character joins it: the word stays one element.
    int skipFallback = 0;
    TRTFText* joinTo = nullptr;  // set by a text token or a Unicode character
    bool afterUnicode = false;

    for (;;) {
        int result = lexer_.NextToken();
        const std::string& t = lexer_.Text();
        if (t.empty() || (result == 1 && Is(t, "\\page"))) break;
        TRTFText* join = std::exchange(joinTo, nullptr);
        bool joinText = std::exchange(afterUnicode, false);
        if (result == 0 && skipFallback > 0 && t != " ") {
            size_t n = std::min<size_t>(size_t(skipFallback), t.size());
            skipFallback = 0;
            if (n == t.size()) {
                joinTo = join, afterUnicode = joinText;
                continue;
            }
            lexer_.Text().erase(0, n);
        }
        skipFallback = 0;
        if (result == 0) {
            if (mode == kPictureData) {
                AppendHex(pictureData, t, pending);
            } else if (mode == kPictureFile) {
                if (t == "}") {
                    AddPictureFile(pictureName, state);
                    mode = kNormal;
                } else {
                    pictureName += t;
                }
            } else if (t == " ") {
                current->Update(state, FontOf(state));
                elements_.push_back(std::make_unique<TRTFSpace>(FontOf(state), state.textColor, state.backColor));
            } else if (state.visible) {
                uint32_t colour = state.underlineKind == ulDouble ? HotColor : state.textColor;
                if (joinText && join == elements_.back().get() && join->textColor == colour &&
                    join->font == FontOf(state)) {
                    join->text += FoldBackslashes(t);
                } else {
                    elements_.push_back(
                        std::make_unique<TRTFText>(FoldBackslashes(t), FontOf(state), colour, state.backColor));
                }
                if (typeid(*elements_.back()) == typeid(TRTFText))
                    joinTo = static_cast<TRTFText*>(elements_.back().get());
            } else {
                MakeHot(t);
            }
            continue;
        }
        if (mode == kPictureData) {
            if (StartsWith(t, "\\picwgoal")) {
                goalW = ParseRtfNumber(t, 0);
                continue;
            }
            if (StartsWith(t, "\\pichgoal")) {
                goalH = ParseRtfNumber(t, 0);
                continue;
            }
            if (StartsWith(t, "\\picscalex")) {
                scaleX = ParseRtfNumber(t, 100);
                continue;
            }
            if (StartsWith(t, "\\picscaley")) {
                scaleY = ParseRtfNumber(t, 100);
                continue;
            }
            if (StartsWith(t, "\\picw")) {
                picW = ParseRtfNumber(t, 0);
                continue;
            }
            if (StartsWith(t, "\\pich")) {
                picH = ParseRtfNumber(t, 0);
                continue;
            }
            if (StartsWith(t, "\\wmetafile")) {
                kind = RtfPictureKind::Metafile;
                continue;
            }
            if (StartsWith(t, "\\dibitmap")) {
                kind = RtfPictureKind::Dib;
                continue;
            }
        }
        if (Is(t, "\\pict")) {
            mode = kPictureData;
            pictureDepth = depth;
            goalW = goalH = picW = picH = 0;
            scaleX = scaleY = 100;
            kind = RtfPictureKind::Metafile;
            pictureData.clear();
            pending = -1;
        } else if (t == "{") {
            stack.push_back(state);
            ++depth;
        } else if (t == "}") {
            --depth;
            if (!stack.empty()) {
                state = stack.back();
                stack.pop_back();
            }
            if (depth < pictureDepth) {
                if (mode == kPictureData)
                    FinishPicture(mode, pictureData, goalW, goalH, scaleX, scaleY, picW, picH, kind, state);
                mode = kNormal;
                pictureDepth = 0;
            }
        } else if (Is(t, "\\tab")) {
            elements_.push_back(std::make_unique<TRTFTab>(state.defaultTab));
        } else if (Is(t, "\\par")) {
            // Each paragraph mark carries the settings in force at its paragraph's end.
            current->Update(state, FontOf(state));
            auto next = std::make_unique<TRTFParagraph>(state, FontOf(state));
            current = next.get();
            elements_.push_back(std::move(next));
        } else if (mode == kNormal && IsHiddenDestination(t)) {
            // A footnote word brings its own open brace.
            if (t[0] != '\\') {
                stack.push_back(state);
                ++depth;
            }
            SkipToGroupEnd(lexer_, depth);
            if (!stack.empty()) {
                state = stack.back();
                stack.pop_back();
            }
        } else if (int code; mode == kNormal && UnicodeWord(t, code)) {
            // Characters of the Windows code page's upper half are shown; others
            // keep their fallback.
            if (code < 256 && state.visible) {
                std::string ch(1, char(code));
                uint32_t colour = state.underlineKind == ulDouble ? HotColor : state.textColor;
                if (join && join == elements_.back().get() && join->textColor == colour &&
                    join->font == FontOf(state)) {
                    join->text += ch;
                } else {
                    elements_.push_back(std::make_unique<TRTFText>(ch, FontOf(state), colour, state.backColor));
                }
                joinTo = static_cast<TRTFText*>(elements_.back().get());
                afterUnicode = true;
                skipFallback = 1;
            }
        } else if (lexer_.ControlType() == rtPicture) {
            mode = kPictureFile;
            pictureName.clear();
        } else {
            ApplyControlWord(lexer_, t, state, doc_);
            current->Update(state, FontOf(state));
        }
    }
}

void TrtfView::FinishPicture(int, const std::string& data, int goalW, int goalH, int scaleX, int scaleY, int picW,
                             int picH, RtfPictureKind kind, const TRtfState&) {
    // Without a goal size: a bitmap's own pixels at 96 dpi, a metafile's
    // extent in hundredths of a millimetre.
    if (goalW <= 0 || goalH <= 0) {
        goalW = kind == RtfPictureKind::Dib ? RtfMulDiv(picW, 1440, 96) : RtfMulDiv(picW, 1440, 2540);
        goalH = kind == RtfPictureKind::Dib ? RtfMulDiv(picH, 1440, 96) : RtfMulDiv(picH, 1440, 2540);
    }
    auto clamp = [](int v) { return v < 0 ? 0 : v > kMaxTwips ? kMaxTwips : v; };
    goalW = clamp(goalW), goalH = clamp(goalH);
    RtfCanvas& canvas = host_.ControlCanvas();
    int w = TwipsToPixelsX(canvas, goalW), h = TwipsToPixelsY(canvas, goalH);
    std::shared_ptr<RtfPicture> picture;
    if (w > 0 && h > 0 && !data.empty()) picture = host_.MakePicture(kind, data, w, h);
    elements_.push_back(std::make_unique<TRTFBitmap>(picture, clamp(RtfMulDiv(goalW, scaleX, 100)),
                                                     clamp(RtfMulDiv(goalH, scaleY, 100))));
}

bool TrtfView::ShowTopic(const std::string& name) {
    const TTopic* topic = doc_.FindTopic(name);
    TRtfState state;
    long offset = 0;
    if (topic) {
        state = topic->state;
        offset = topic->offset;
    } else if (ClearIfNone && !doc_.topics.empty()) {
        state = doc_.topics.front().state;
    }
    if (topic || ClearIfNone) Clear();
    bool loadFlag = true;
    if (OnBeforeLoad) OnBeforeLoad(state, loadFlag);
    if (!ClearIfNone && (!topic || !loadFlag)) {
        if (topic) Relayout();
        return false;
    }
    host_.BeginWait();
    BindDocument();
    if (topic && loadFlag && stream_) BuildTopic(state, offset);
    if (OnAfterLoad) OnAfterLoad(state, loadFlag);
    shown_ = name;
    Relayout();
    host_.EndWait();
    return true;
}
