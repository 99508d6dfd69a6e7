// Layout elements of a topic: texts, blanks, tabs, paragraph marks,
// pictures and the hot variants that jump to another topic.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtf_canvas.h"
#include "rtf_document.h"

struct RtfRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The class of an element, for the layout's inner loop.
enum class RtfKind : uint8_t { Tab, Paragraph, Space, Text, Bitmap };

class TRTFElement {
public:
    explicit TRTFElement(RtfKind k) : kind(k) {}
    virtual ~TRTFElement() = default;
    virtual std::string GetTarget() const { return {}; }
    virtual void SetTarget(const std::string& name) {}
    virtual void Measure(RtfCanvas& canvas) = 0;
    virtual void Draw(int x, int baseline, RtfCanvas& canvas) = 0;
    virtual bool HitTest(int x, int y) const { return false; }

    int ascent = 0, descent = 0;
    int width = 0;    // measured
    int advance = 0;  // used on the line: widened by justification and tabs
    bool monochrome = false;
    const RtfKind kind;  // hot texts and pictures count as texts and pictures
};

// Ascent and descent of a font of this many points: 7/9 of the height above.
void FontMetrics(RtfCanvas& canvas, int points, int& ascent, int& descent);

class TRTFTab : public TRTFElement {
public:
    explicit TRTFTab(int tabWidthTwips) : TRTFElement(RtfKind::Tab), tabWidth(tabWidthTwips) {}
    void Measure(RtfCanvas& canvas) override;
    void Draw(int, int, RtfCanvas&) override {}
    int x = 0;         // position on the line
    int tabWidth = 0;  // twips
};

class TRTFParagraph : public TRTFElement {
public:
    TRTFParagraph(const TRtfState& state, const RtfFont& font);
    // Takes the paragraph part, font and size of the state.
    void Update(const TRtfState& state, const RtfFont& font);
    void Measure(RtfCanvas& canvas) override;
    void Draw(int, int, RtfCanvas&) override {}
    RtfFont font;
    int fontSize = 0;     // half-points
    TRtfState paragraph;  // only the paragraph part is used
};

class TRTFSpace : public TRTFElement {
public:
    TRTFSpace(const RtfFont& f, uint32_t text, uint32_t back)
        : TRTFElement(RtfKind::Space), font(f), textColor(text), backColor(back) {}
    void Measure(RtfCanvas& canvas) override;
    void Draw(int, int, RtfCanvas&) override {}
    RtfFont font;
    uint32_t textColor, backColor;
};

class TRTFText : public TRTFElement {
public:
    TRTFText(const std::string& t, const RtfFont& f, uint32_t text, uint32_t back)
        : TRTFElement(RtfKind::Text), text(t), font(f), textColor(text), backColor(back) {}
    void Measure(RtfCanvas& canvas) override;
    void Draw(int x, int baseline, RtfCanvas& canvas) override;
    std::string text;
    RtfFont font;
    uint32_t textColor, backColor;
};

class TRTFHotText : public TRTFText {
public:
    TRTFHotText(const TRTFText& from, const std::string& target);
    std::string GetTarget() const override { return target_; }
    void SetTarget(const std::string& name) override { target_ = name; }
    void Draw(int x, int baseline, RtfCanvas& canvas) override;
    bool HitTest(int x, int y) const override;
    RtfRect hot;

private:
    std::string target_;
};

class TRTFBitmap : public TRTFElement {
public:
    TRTFBitmap(std::shared_ptr<RtfPicture> p, int widthTwips, int heightTwips)
        : TRTFElement(RtfKind::Bitmap), picture(std::move(p)), twipsWidth(widthTwips), twipsHeight(heightTwips) {}
    void Measure(RtfCanvas& canvas) override;
    void Draw(int x, int baseline, RtfCanvas& canvas) override;
    std::shared_ptr<RtfPicture> picture;  // null: an empty picture
    int twipsWidth, twipsHeight;
};

class TRTFHotBitmap : public TRTFBitmap {
public:
    TRTFHotBitmap(const TRTFBitmap& from, const std::string& target)
        : TRTFBitmap(from.picture, from.twipsWidth, from.twipsHeight), target_(target) {}
    std::string GetTarget() const override { return target_; }
    void SetTarget(const std::string& name) override { target_ = name; }
    void Draw(int x, int baseline, RtfCanvas& canvas) override;
    bool HitTest(int x, int y) const override;
    RtfRect hot;

private:
    std::string target_;
};

// A line of the layout: elements it does not own.
struct TRTFLine {
    std::vector<TRTFElement*> elements;
    int ascent = 0, descent = 0;
    int indent = 0;     // pixels from the left edge
    bool keep = false;  // belongs to the non-scrolling region
    int Height() const { return ascent + descent; }
};
