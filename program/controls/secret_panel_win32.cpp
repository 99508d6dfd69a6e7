#include "controls/secret_panel_win32.h"

#include <algorithm>

#include "graphic.h"
#include "layout.h"

namespace {
constexpr UINT WM_CREDITS_STOP = WM_APP + 40;

// A bevel one pixel wide per step of width: top-left and bottom-right colours.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
    for (int i = 0; i < width; ++i) {
        HBRUSH tl = CreateSolidBrush(topLeft), br = CreateSolidBrush(bottomRight);
        RECT top{r.left, r.top, r.right - 1, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom - 1};
        RECT bottom{r.left, r.bottom - 1, r.right, r.bottom}, right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, tl);
        FillRect(dc, &left, tl);
        FillRect(dc, &bottom, br);
        FillRect(dc, &right, br);
        DeleteObject(tl);
        DeleteObject(br);
        InflateRect(&r, -1, -1);
    }
}

void Bevel(HDC dc, RECT& r, TPanelBevel bevel, int width) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    if (bevel == bvLowered)
        Frame3D(dc, r, shadow, highlight, width);
    else if (bevel == bvRaised)
        Frame3D(dc, r, highlight, shadow, width);
}

RECT ToRect(const CreditsRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
}  // namespace

TSecretPanel::TSecretPanel(TComponent* owner)
    : TPanel(owner), glyph_(std::make_unique<TPicture>()), timer_(new TRxTimer(nullptr)) {
    SetBevelOuter(bvLowered);
    timer_->SetEnabled(false);
    timer_->SetSyncEvent(false);
    timer_->SetInterval(30);
    scroller_ = std::make_unique<CreditsScroller>(static_cast<CreditsSurface&>(*this), timer_);
    timer_->SetOnTimer([this](TObject*) { scroller_->Tick(); });
    glyph_->OnChange = [this](TObject*) { Changed(); };
}

TSecretPanel::~TSecretPanel() {
    // The timer's thread is joined first, then the scroller frees its picture.
    TRxTimer* timer = timer_;
    FreeAndNil(timer);
    scroller_.reset();
    FreeOffscreenObjects();
}

void TSecretPanel::SetActive(bool on) {
    if (on == Active()) return;
    if (on) {
        window_ = Handle();
        try {
            scroller_->Start();
        } catch (...) {
            scroller_->Stop();
            throw;
        }
        if (OnStartPlay) OnStartPlay(this);
        hidden_.clear();
        for (TControl* c : controls_)
            if (c->Visible()) {
                hidden_.push_back(c);
                c->Hide();
            }
        Invalidate();
        return;
    }
    // A stop handler that stops again finds the panel stopping and returns.
    if (!scroller_->Stop()) return;
    if (OnStopPlay) OnStopPlay(this);
    for (TControl* c : hidden_) c->Show();
    hidden_.clear();
    Invalidate();
}

void TSecretPanel::Changed() {
    if (Active()) {
        scroller_->Recalculate();
        Invalidate();
    }
}

void TSecretPanel::LinesChanged() {
    std::vector<std::string> lines;
    for (int i = 0; i < lines_.Count(); ++i) lines.push_back(lines_[i]);
    scroller_->SetLines(std::move(lines));
    if (Active()) Invalidate();
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout layout) {
    glyphLayout_ = layout;
    Changed();
}

void TSecretPanel::SetScrollDirection(TScrollDirection d) {
    direction_ = d;
    Changed();
}

void TSecretPanel::SetTextStyle(TCreditsTextStyle style) {
    textStyle_ = style;
    Changed();
}

void TSecretPanel::BoundsChanged() {
    TPanel::BoundsChanged();
    Changed();
}

void TSecretPanel::FontChanged() {
    TPanel::FontChanged();
    Changed();
}

int TSecretPanel::BorderSize() const {
    return BorderWidth() + (BevelOuter() != bvNone ? BevelWidth() : 0) + (BevelInner() != bvNone ? BevelWidth() : 0);
}

CreditsMetrics TSecretPanel::Measure(const std::vector<std::string>& lines) {
    CreditsMetrics m;
    m.client = CreditsRect{0, 0, Width(), Height()};
    m.border = BorderSize();
    m.glyphWidth = glyph_->Width();
    m.glyphHeight = glyph_->Height();
    m.layout = glyphLayout_;
    m.direction = direction_;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, Font()->Handle());
    TEXTMETRICA tm{};
    GetTextMetricsA(screen, &tm);
    m.lineHeight = CreditsLineHeight(tm.tmHeight, tm.tmExternalLeading, textStyle_ != tsNoEmboss);
    for (size_t i = FirstTextLine(lines); i < lines.size(); ++i) {
        SIZE size{};
        const std::string& line = lines[i];
        GetTextExtentPoint32A(screen, line.c_str(), static_cast<int>(std::min<size_t>(line.size(), 255)), &size);
        m.widestLine = std::max<int>(m.widestLine, size.cx);
    }
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return m;
}

void TSecretPanel::FreeOffscreenObjects() {
    memCanvas_.reset();
    if (memDC_) {
        SelectObject(memDC_, oldBitmap_);
        SelectObject(memDC_, oldFont_);
        DeleteDC(memDC_);
        memDC_ = nullptr;
    }
    if (memBitmap_) DeleteObject(memBitmap_);
    if (memFont_) DeleteObject(memFont_);
    memBitmap_ = nullptr;
    memFont_ = nullptr;
}

void TSecretPanel::CreateOffscreen(int width, int height) {
    FreeOffscreenObjects();
    HDC screen = GetDC(nullptr);
    memDC_ = CreateCompatibleDC(screen);
    memBitmap_ = CreateCompatibleBitmap(screen, std::max(width, 1), std::max(height, 1));
    ReleaseDC(nullptr, screen);
    oldBitmap_ = SelectObject(memDC_, memBitmap_);
    LOGFONTA font = Font()->LogFont();
    memFont_ = CreateFontIndirectA(&font);
    oldFont_ = SelectObject(memDC_, memFont_);
    SetBkMode(memDC_, TRANSPARENT);
    lineAlignment_ = Alignment() == taLeftJustify ? DT_LEFT : Alignment() == taRightJustify ? DT_RIGHT : DT_CENTER;
    textColour_ = ColorToRGB(Font()->Color());
    backColour_ = ColorToRGB(Color());
    highlight_ = GetSysColor(COLOR_BTNHIGHLIGHT);
    memCanvas_ = std::make_unique<TCanvas>();
    memCanvas_->SetHandle(memDC_);
    memCanvas_->Brush()->SetColor(Color());
}

void TSecretPanel::FreeOffscreen() { FreeOffscreenObjects(); }

bool TSecretPanel::HasWindow() {
    HWND window = window_;
    return window && IsWindow(window);
}

void TSecretPanel::PaintBackground(const CreditsLayout& layout) {
    POINT old;
    SetViewportOrgEx(memDC_, -layout.text.left, -layout.text.top, &old);
    const RECT paint = ToRect(layout.paint);
    if (OnPaintClient) {
        OnPaintClient(this, memCanvas_.get(), paint);
    } else {
        HBRUSH brush = CreateSolidBrush(backColour_);
        FillRect(memDC_, &paint, brush);
        DeleteObject(brush);
    }
    SetViewportOrgEx(memDC_, old.x, old.y, nullptr);
}

void TSecretPanel::DrawLine(const std::string& text, const CreditsRect& rect) {
    const UINT flags = DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | DT_NOCLIP | lineAlignment_;
    auto draw = [&](int dx, int dy, COLORREF colour) {
        RECT r{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
        SetTextColor(memDC_, colour);
        DrawTextA(memDC_, text.c_str(), static_cast<int>(text.size()), &r, flags);
    };
    if (textStyle_ == tsLowered)
        draw(1, 1, highlight_);
    else if (textStyle_ == tsRaised)
        draw(-1, -1, highlight_);
    draw(0, 0, textColour_);
}

void TSecretPanel::CopyToPanel(const CreditsLayout& layout) {
    HWND window = window_;
    HDC dc = GetDC(window);
    if (!dc) return;
    const RECT r = ToRect(layout.text);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memDC_, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    ValidateRect(window, &r);
}

void TSecretPanel::RequestStop(uint64_t generation) {
    // Posted, never waited for: the stop waits for this tick to end.
    HWND window = window_;
    if (window) PostMessageA(window, WM_CREDITS_STOP, static_cast<WPARAM>(generation), 0);
}

void TSecretPanel::WndProc(TMessage& message) {
    if (message.Msg == WM_CREDITS_STOP) {
        const uint64_t current = scroller_->Generation();
        if (static_cast<WPARAM>(current) == message.WParam && Active()) {
            // Stopped through Active, so the panel's own stop events run.
            SetActive(false);
        }
        message.Result = 0;
        return;
    }
    // The thread draws on the window it was started with, while it exists.
    if (message.Msg == WM_DESTROY) window_ = nullptr;
    TPanel::WndProc(message);
}

void TSecretPanel::Paint() {
    HDC dc = Canvas()->Handle();
    RECT r{0, 0, Width(), Height()};
    Bevel(dc, r, BevelOuter(), BevelWidth());
    if (BorderWidth() > 0) Frame3D(dc, r, ColorToRGB(Color()), ColorToRGB(Color()), BorderWidth());
    Bevel(dc, r, BevelInner(), BevelWidth());
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    if (OnPaintClient) {
        OnPaintClient(this, Canvas(), r);
    } else {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->Brush()->SetStyle(bsSolid);
        Canvas()->FillRect(r);
    }
    if (Active() && glyph_->Graphic() && !glyph_->Graphic()->Empty()) {
        std::vector<std::string> lines;
        for (int i = 0; i < lines_.Count(); ++i) lines.push_back(lines_[i]);
        const CreditsLayout layout = LayoutCredits(Measure(lines));
        glyph_->Graphic()->SetTransparent(true);
        Canvas()->Draw(layout.glyphX, layout.glyphY, glyph_->Graphic());
    }
    RestoreDC(dc, saved);
}

bool TSecretPanel::SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) {
    if (SameText(name, "AsyncDrawing")) {
        SetAsyncDrawing(v.AsBool());
    } else if (SameText(name, "Cycled")) {
        SetCycled(v.AsBool());
    } else if (SameText(name, "GlyphLayout")) {
        SetGlyphLayout(TGlyphLayout(v.AsEnum({"glGlyphLeft", "glGlyphRight", "glGlyphTop", "glGlyphBottom"})));
    } else if (SameText(name, "Interval")) {
        SetInterval(static_cast<unsigned>(v.AsInt()));
    } else if (SameText(name, "ScrollDirection")) {
        SetScrollDirection(TScrollDirection(v.AsEnum({"sdVertical", "sdHorizontal"})));
    } else if (SameText(name, "TextStyle")) {
        SetTextStyle(TCreditsTextStyle(v.AsEnum({"bvNone", "bvLowered", "bvRaised", "bvSpace"})));
    } else if (SameText(name, "OnPaintClient")) {
        OnPaintClient = reader.Handler<TPanelDrawEvent>(v);
    } else if (SameText(name, "OnStartPlay")) {
        OnStartPlay = reader.Handler<TNotifyEvent>(v);
    } else if (SameText(name, "OnStopPlay")) {
        OnStopPlay = reader.Handler<TNotifyEvent>(v);
    } else {
        return TPanel::SetProperty(name, v, reader);
    }
    return true;
}
