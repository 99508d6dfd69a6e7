// The topic as clipboard texts: RTF that other programs can paste, and plain text.
#include <cstdio>

#include "rtf_view.h"

namespace {

bool IsWord(const std::string& t) {
    return t.size() > 1 && t[0] == '\\' && std::isalpha(static_cast<unsigned char>(t[1]));
}

// Text of a text token written back as RTF: braces and lone backslashes
// escaped, characters above 127 as \'hh.
void PutText(std::string& out, const std::string& t) {
    for (size_t i = 0; i < t.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (c == '\\' && i + 1 < t.size() && t[i + 1] == '\\') {
            out += "\\\\";
            ++i;
        } else if (c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c >= 128 || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
}

// Braces that a control token opens: "{" and the "#{\footnote" words.
int Opens(const std::string& t) { return t == "{" || (t.size() > 2 && t[1] == '{' && t[2] == '\\'); }

int ColourNumber(const RtfDocument& doc, uint32_t colour) {
    for (size_t i = 0; i < doc.colours.size(); ++i)
        if (doc.colours[i] == colour) return int(i) + 1;
    return 0;  // the automatic colour
}

}  // namespace

std::string TrtfView::ClipboardRtf() {
    if (!stream_ || doc_.topics.empty()) return {};
    const TTopic* topic = history_.empty() ? nullptr : doc_.FindTopic(history_.back());
    TRtfState st;
    long offset = doc_.topics.front().offset;
    if (topic) {
        st = topic->state;
        offset = topic->offset;
    }
    // The document's header, and how deep its groups are open at its end.
    std::string header(size_t(std::max(doc_.headerEnd, 0)), '\0');
    stream_->Seek(0);
    header.resize(stream_->Read(header.data(), header.size()));
    LexMemoryInput headerInput(header);
    RtfLexer headerLexer;
    headerLexer.SetInput(&headerInput);
    headerLexer.Seek(0);
    int depth = 0;
    while (true) {
        int r = headerLexer.NextToken();
        const std::string& t = headerLexer.Text();
        if (t.empty()) break;
        if (r == 1) depth += Opens(t) - (t == "}");
    }
    BindDocument();

    std::string out = header;
    if (depth < 1) {
        out += "{\\rtf1 ";  // no header group to continue: open one
        depth = 1;
    }
    auto word = [&](const char* name, long value) { out += name + std::to_string(value); };
    word("\\f", st.fontNumber);
    word("\\fs", st.fontSize);
    if (st.bold) out += "\\b";
    if (st.italic) out += "\\i";
    if (st.underline) out += "\\ul";
    if (st.strike) out += "\\strike";
    if (!st.visible) out += "\\v";
    // Colours by their number in the colour table, as readers expect.
    word("\\cf", ColourNumber(doc_, st.textColor));
    if (st.backColor != kTransparentBack) word("\\cb", ColourNumber(doc_, st.backColor));
    if (st.keepWithNext) out += "\\keepn";
    word("\\fi", st.firstIndent);
    word("\\li", st.leftIndent);
    word("\\ri", st.rightIndent);
    word("\\sb", st.spaceBefore);
    word("\\sa", st.spaceAfter);
    word("\\sl", st.lineSpacing);
    static const char* kAlign[] = {"\\ql", "\\qr", "\\qc", "\\qj"};
    out += kAlign[st.alignment & 3];
    out += ' ';

    lexer_.Seek(offset);
    while (true) {
        int r = lexer_.NextToken();
        const std::string& t = lexer_.Text();
        if (t.empty()) break;
        if (r == 0) {
            PutText(out, t);
            continue;
        }
        if (t == "}") {
            if (depth <= 1) continue;  // closes a group opened before the topic
            --depth;
        }
        depth += Opens(t);
        out += t;
        if (IsWord(t) && t.back() != ' ') out += ' ';
        if (t == "\\page" || t == "\\page ") break;
    }
    out.append(size_t(depth), '}');
    return out;
}

std::string TrtfView::ClipboardText() const {
    std::string out;
    for (size_t i = 0; i < elements_.size(); ++i) {
        const TRTFElement* e = elements_[i].get();
        if (auto* t = dynamic_cast<const TRTFText*>(e))
            out += t->text;
        else if (dynamic_cast<const TRTFSpace*>(e))
            out += ' ';
        else if (dynamic_cast<const TRTFTab*>(e))
            out += '\t';
        // The first paragraph element opens the topic; the others end paragraphs.
        else if (dynamic_cast<const TRTFParagraph*>(e) && i > 0)
            out += "\r\n";
    }
    return out;
}

void TrtfView::CopyToClipboard() {
    if (!stream_ || doc_.topics.empty()) return;
    host_.BeginWait();
    std::string rtf = ClipboardRtf();
    host_.SetClipboard(rtf, ClipboardText());
    host_.EndWait();
}
