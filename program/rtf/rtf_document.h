// An RTF document of the program as a set of topics: the formatting state,
// the header tables (colours, fonts, styles), the topics with their start
// offsets and states, and the .rtc cache that spares the next load a scan.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rtf_lexer.h"

// Character and paragraph state; 76 bytes in the cache, little-endian.
struct TRtfState {
    int32_t font = 0;  // index into the font table (rebound on load)
    int32_t fontNumber = 0;
    int32_t fontSize = 0;  // half-points
    uint8_t bold = 0, italic = 0, underline = 0, strike = 0;
    uint8_t caps = 0;           // 0 none, 1 capitals, 2 small capitals
    uint8_t underlineKind = 0;  // 0 single, 1 words, 2 dotted, 3 double, 4 none
    uint8_t shiftKind = 0;      // 0 up, 1 down, 2 none
    int32_t shift = 0;          // half-points
    uint32_t textColor = 0;
    uint32_t backColor = 0;  // 0xFFFFFF draws transparently
    uint8_t visible = 0;
    // The paragraph part (bytes 36 to 71).
    uint8_t keepWithNext = 0;
    uint8_t alignment = 0;                                     // 0 left, 1 right, 2 centre, 3 justified
    int32_t firstIndent = 0, leftIndent = 0, rightIndent = 0;  // twips
    int32_t spaceBefore = 0, spaceAfter = 0;
    int32_t lineSpacing = 0;  // minimum line height, twips
    int32_t borders = 0;      // bit 0 top, 1 bottom, 2 left, 3 right, 4 box
    int32_t borderSpace = 0;
    int32_t defaultTab = 0;  // twips

    static constexpr size_t kBytes = 76;
    void Write(std::string& out) const;
    // Reads 76 bytes.
    void Read(const unsigned char* in);
    void CopyParagraphPart(const TRtfState& from);
    // Keeps lengths and sizes within what a page can show (a hostile "\\sb"
    // of two billion twips would otherwise overflow the layout's sums).
    void Clamp();
    bool operator==(const TRtfState&) const = default;
};

constexpr uint32_t kTransparentBack = 0xFFFFFF;
// 22 inches: longer than any page the program prints on.
constexpr int32_t kMaxTwips = 22 * 1440;
// 1638 points.
constexpr int32_t kMaxHalfPoints = 3276;
enum { paLeft = 0, paRight = 1, paCentre = 2, paJustify = 3 };
enum { ulSingle = 0, ulWords = 1, ulDotted = 2, ulDouble = 3, ulNone = 4 };

struct TFontRec {
    std::string name;
    std::string oldName;  // the name before ReplaceFontName
    int32_t number = 0;
    uint8_t charset = 0;
    uint8_t family = 0;  // pitch and family
};

struct RtfStyle {
    std::string definition;  // its control words, at most 100 characters
    int32_t number = 0;
};

struct TTopic {
    std::string name, title, browse, keywords;  // footnotes # $ + K
    TRtfState state;
    int32_t offset = 0;
    void Save(std::string& out) const;
};

class RtfDocument {
public:
    static const std::array<uint32_t, 16> kDefaultColours;

    // Colour table, fonts (entry 0: the view's font, number 0), styles, topics.
    std::array<uint32_t, 16> colours = kDefaultColours;
    std::vector<TFontRec> fonts;
    std::vector<RtfStyle> styles;
    std::vector<TTopic> topics;
    // Offset just past the last header table: the clipboard copy's RTF header.
    int32_t headerEnd = 0;

    void Reset(const std::string& viewFontName);
    // Splits the document bound to the lexer into topics (the lexer is bound
    // and at offset 0). False when the lexer failed: the topics are those
    // before the failure.
    bool Parse(RtfLexer& lexer);
    // Index of the font with this number; 0 when none has it.
    int32_t FontIndex(int32_t number) const;
    // The topic named exactly name, or null.
    const TTopic* FindTopic(const std::string& name) const;

    // The cache beside the document: written after a parse (to a temporary
    // file renamed over the old cache), read instead of a parse when valid.
    void WriteCache(const std::string& rtfName, const std::string& rtcName) const;
    // False, with the tables as they were, when the cache does not hold a
    // whole, undamaged parse of this document.
    bool ReadCache(const std::string& rtfName, const std::string& rtcName);
};

// The cache belongs to the document as it is now: signature, name, size,
// time stamp and checksum agree.
bool CacheIsValid(const std::string& rtfName, const std::string& rtcName);

// Applies the control word just scanned (text and the lexer's control type)
// to state; a style's words are pushed back into the lexer.
void ApplyControlWord(RtfLexer& lexer, const std::string& text, TRtfState& state, const RtfDocument& doc);
