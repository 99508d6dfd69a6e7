// The credits panel: lines of text scrolling over the panel's background
// beside a glyph, drawn on the timer's thread through an off-screen
// picture (credits_scroller.h holds the arithmetic and the locking).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "controls/credits_scroller.h"
#include "controls/rx_timer_win32.h"
#include "picture.h"
#include "stdctrls.h"

enum TCreditsTextStyle { tsNoEmboss, tsLowered, tsRaised, tsSpace };
using TPanelDrawEvent = std::function<void(TObject* sender, TCanvas* canvas, const RECT& rect)>;

class TSecretPanel : public TPanel, private CreditsSurface {
public:
    explicit TSecretPanel(TComponent* owner);
    ~TSecretPanel() override;

    bool Active() const { return scroller_->Active(); }
    void SetActive(bool on);
    bool AsyncDrawing() const { return !timer_->SyncEvent(); }
    void SetAsyncDrawing(bool on) { timer_->SetSyncEvent(!on); }
    bool Cycled() const { return scroller_->Cycled(); }
    void SetCycled(bool on) { scroller_->SetCycled(on); }
    TPicture* Glyph() { return glyph_.get(); }
    TGlyphLayout GlyphLayout() const { return glyphLayout_; }
    void SetGlyphLayout(TGlyphLayout layout);
    unsigned Interval() const { return timer_->Interval(); }
    void SetInterval(unsigned ms) { timer_->SetInterval(ms); }
    TStringList* Lines() { return &lines_; }
    // Takes the text lines (also after changing Lines()).
    void LinesChanged();
    TScrollDirection ScrollDirection() const { return direction_; }
    void SetScrollDirection(TScrollDirection d);
    TCreditsTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TCreditsTextStyle style);
    CreditsScroller& Scroller() { return *scroller_; }

    TPanelDrawEvent OnPaintClient;
    TNotifyEvent OnStartPlay, OnStopPlay;

    void WndProc(TMessage& message) override;
    bool SetProperty(const std::string& name, const TLayoutValue& value, TLayoutReader& reader) override;

protected:
    void Paint() override;
    void BoundsChanged() override;
    void FontChanged() override;

private:
    // CreditsSurface
    CreditsMetrics Measure(const std::vector<std::string>& lines) override;
    void CreateOffscreen(int width, int height) override;
    void FreeOffscreen() override;
    bool HasWindow() override;
    void PaintBackground(const CreditsLayout& layout) override;
    void DrawLine(const std::string& text, const CreditsRect& rect) override;
    void CopyToPanel(const CreditsLayout& layout) override;
    void RequestStop(uint64_t generation) override;

    void Changed();
    void FreeOffscreenObjects();
    int BorderSize() const;

    std::unique_ptr<TPicture> glyph_;
    TStringList lines_;
    TGlyphLayout glyphLayout_ = glGlyphLeft;
    TScrollDirection direction_ = sdVertical;
    TCreditsTextStyle textStyle_ = tsNoEmboss;
    std::vector<TControl*> hidden_;
    // Off-screen picture: used only under the scroller's lock.
    HDC memDC_ = nullptr;
    HBITMAP memBitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HFONT memFont_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    std::unique_ptr<TCanvas> memCanvas_;
    // Taken when the picture is made: the lines' alignment (the panel's Alignment) and colours.
    UINT lineAlignment_ = DT_CENTER;
    COLORREF textColour_ = 0, backColour_ = 0, highlight_ = 0;
    std::atomic<HWND> window_{nullptr};
    // The timer goes first at destruction: no tick reaches the scroller after.
    std::unique_ptr<CreditsScroller> scroller_;
    TRxTimer* timer_;
};
