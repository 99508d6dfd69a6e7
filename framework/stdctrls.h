// Standard controls: panel, label, single-line edit, scroll bar.
#pragma once

#include "controls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A panel: a window with bevels and a centred caption that holds other controls.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel b) {
        bevelOuter_ = b;
        Invalidate();
    }
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel b) {
        bevelInner_ = b;
        Invalidate();
    }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w) {
        bevelWidth_ = w;
        Invalidate();
    }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w) {
        borderWidth_ = w;
        Invalidate();
    }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) {
        alignment_ = a;
        Invalidate();
    }
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    // Bevels, background in the panel colour and the caption.
    void Paint() override;

private:
    TPanelBevel bevelOuter_ = bvRaised, bevelInner_ = bvNone;
    int bevelWidth_ = 1, borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) {
        alignment_ = a;
        Invalidate();
    }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on) {
        transparent_ = on;
        Invalidate();
    }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on) {
        autoSize_ = on;
        AdjustSize();
    }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on) {
        wordWrap_ = on;
        AdjustSize();
    }
    void SetCaption(const std::string& caption) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;
    void Loaded() override;

protected:
    void Paint() override;
    void FontChanged() override;

private:
    void AdjustSize();
    TAlignment alignment_ = taLeftJustify;
    bool transparent_ = false, autoSize_ = true, wordWrap_ = false;
};

// A single-line edit over the system EDIT class.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    // The text typed (read from the window when it exists).
    std::string Text();
    void SetText(const std::string& text) { SetCaption(text); }
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    // OnChange: the text changed; OnExit (of TWinControl): the edit lost the focus.
    TNotifyEvent OnChange;
    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
};

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* sender, TScrollCode code, int& position)>;

// A scroll bar over the system SCROLLBAR class.
class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* owner);
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int PageSize() const { return pageSize_; }
    void SetMin(int v) { SetParams(position_, v, max_); }
    void SetMax(int v) { SetParams(position_, min_, v); }
    void SetPosition(int v) { SetParams(v, min_, max_); }
    void SetPageSize(int v);
    // Position clamped to min .. max - max(page size - 1, 0); raises OnChange when it moved.
    void SetParams(int position, int min, int max);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int v) { smallChange_ = v; }
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int v) { largeChange_ = v; }
    TNotifyEvent OnChange;
    TScrollEvent OnScroll;
    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void Scroll(int code, int trackPos);
    void Sync();
    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0, smallChange_ = 1, largeChange_ = 1;
};
