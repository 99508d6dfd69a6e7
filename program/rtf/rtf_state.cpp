// The formatting state: its byte layout and how each control word changes it.
#include "rtf_document.h"
#include "rtf_lexer.h"

namespace {

void Put8(std::string& out, uint8_t v) { out += char(v); }
void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

void TRtfState::Write(std::string& out) const {
    Put32(out, font);
    Put32(out, fontNumber);
    Put32(out, fontSize);
    for (uint8_t v : {bold, italic, underline, strike, caps, underlineKind, shiftKind, uint8_t(0)}) Put8(out, v);
    Put32(out, shift);
    Put32(out, textColor);
    Put32(out, backColor);
    Put32(out, visible);
    Put8(out, keepWithNext);
    Put8(out, alignment);
    Put8(out, 0);
    Put8(out, 0);
    for (int32_t v :
         {firstIndent, leftIndent, rightIndent, spaceBefore, spaceAfter, lineSpacing, borders, borderSpace, defaultTab})
        Put32(out, v);
}

void TRtfState::Read(const unsigned char* in) {
    font = Get32(in);
    fontNumber = Get32(in + 4);
    fontSize = Get32(in + 8);
    bold = in[12], italic = in[13], underline = in[14], strike = in[15];
    caps = in[16], underlineKind = in[17], shiftKind = in[18];
    shift = Get32(in + 20);
    textColor = Get32(in + 24);
    backColor = Get32(in + 28);
    visible = in[32];
    keepWithNext = in[36];
    alignment = in[37];
    int32_t* part[] = {&firstIndent, &leftIndent, &rightIndent, &spaceBefore, &spaceAfter,
                       &lineSpacing, &borders,    &borderSpace, &defaultTab};
    for (int i = 0; i < 9; ++i) *part[i] = Get32(in + 40 + 4 * i);
}

void TRtfState::CopyParagraphPart(const TRtfState& from) {
    keepWithNext = from.keepWithNext;
    alignment = from.alignment;
    firstIndent = from.firstIndent;
    leftIndent = from.leftIndent;
    rightIndent = from.rightIndent;
    spaceBefore = from.spaceBefore;
    spaceAfter = from.spaceAfter;
    lineSpacing = from.lineSpacing;
    borders = from.borders;
    borderSpace = from.borderSpace;
}

void TRtfState::Clamp() {
    auto clamp = [](int32_t& v, int32_t lo, int32_t hi) { v = v < lo ? lo : v > hi ? hi : v; };
    for (int32_t* v : {&firstIndent, &leftIndent, &rightIndent, &spaceBefore, &spaceAfter, &lineSpacing, &borderSpace,
                       &defaultTab, &shift})
        clamp(*v, -kMaxTwips, kMaxTwips);
    clamp(fontSize, 0, kMaxHalfPoints);
}

void ApplyControlWord(RtfLexer& lexer, const std::string& text, TRtfState& st, const RtfDocument& doc) {
    auto number = [&](int32_t def) { return ParseRtfNumber(text, def); };
    // Colour numbers count from 1 (0 is the automatic colour); one outside
    // the table keeps the colour as it is.
    auto colour = [&](uint32_t current) {
        int32_t n = number(1);
        return n >= 1 && n <= 16 ? doc.colours[n - 1] : current;
    };
    switch (lexer.ControlType()) {
        case rtF:
            st.fontNumber = number(0);
            st.font = doc.FontIndex(st.fontNumber);
            break;
        case rtFs:
            st.fontSize = number(0);
            break;
        case rtS: {
            int32_t n = number(0);
            for (const RtfStyle& style : doc.styles) {
                if (style.number == n) {
                    lexer.PushBack(style.definition);
                    break;
                }
            }
            break;
        }
        case rtCf:
            st.textColor = colour(st.textColor);
            break;
        case rtCb:
            st.backColor = colour(st.backColor);
            break;
        // \linex is the distance of line numbers from the text, not a spacing:
        // nothing here shows line numbers.
        case rtLinex:
            break;
        case rtDeftab:
            st.defaultTab = number(720);
            break;
        case rtB:
            st.bold = number(1) == 1;
            break;
        case rtI:
            st.italic = number(1) == 1;
            break;
        case rtStrike:
            st.strike = number(1) == 1;
            break;
        case rtCaps:
            st.caps = number(1) == 1 ? 1 : 0;
            break;
        case rtScaps:
            st.caps = number(1) == 1 ? 2 : 0;
            break;
        case rtV:
            st.visible = number(1) == 0;
            break;
        case rtPlain:
            st.font = doc.FontIndex(0);
            st.fontNumber = 0;
            st.fontSize = 24;
            st.bold = st.italic = st.underline = st.strike = st.caps = 0;
            st.underlineKind = ulNone;
            st.shiftKind = 2;
            st.textColor = 0;
            st.backColor = kTransparentBack;
            st.visible = 1;
            break;
        case rtKeepn:
            st.keepWithNext = 1;
            break;
        case rtPard: {
            int32_t tab = st.defaultTab;
            TRtfState reset;
            reset.lineSpacing = 240;
            st.CopyParagraphPart(reset);
            st.defaultTab = tab;
            break;
        }
        case rtUl:
            st.underlineKind = ulSingle;
            break;
        case rtUlw:
            st.underlineKind = ulWords;
            break;
        case rtUld:
            st.underlineKind = ulDotted;
            break;
        case rtUldb:
            st.underlineKind = ulDouble;
            break;
        case rtUlnone:
            st.underlineKind = ulNone;
            break;
        case rtQr:
            st.alignment = paRight;
            break;
        case rtQl:
            st.alignment = paLeft;
            break;
        case rtQc:
            st.alignment = paCentre;
            break;
        case rtQj:
            st.alignment = paJustify;
            break;
        case rtBrdrt:
            st.borders |= 1;
            break;
        case rtBrdrb:
            st.borders |= 2;
            break;
        case rtBrdrl:
            st.borders |= 4;
            break;
        case rtBrdrr:
            st.borders |= 8;
            break;
        case rtBox:
            st.borders |= 16;
            break;
        case rtUp:
        case rtDn:
            st.shiftKind = lexer.ControlType() == rtUp ? 0 : 1;
            st.shift = number(0);
            break;
        case rtFi:
            st.firstIndent = number(0);
            break;
        case rtLi:
            st.leftIndent = number(0);
            break;
        case rtRi:
            st.rightIndent = number(0);
            break;
        case rtSb:
            st.spaceBefore = number(0);
            break;
        case rtSa:
            st.spaceAfter = number(0);
            break;
        case rtSl:
            st.lineSpacing = number(240);
            break;
        case rtBrspn:
            st.borderSpace = number(0);
            break;
        default:
            break;
    }
    st.Clamp();
}
