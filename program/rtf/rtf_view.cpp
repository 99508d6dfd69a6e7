// The view: documents, navigation, scrolling, painting and the mouse.
#include "rtf_view.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

TrtfView::TrtfView(RtfViewHost& host) : host_(host) { doc_.Reset(FontName); }

TrtfView::~TrtfView() = default;

void TrtfView::Clear() {
    lines_.clear();
    elements_.clear();
    keepLines_ = scrollLines_ = 0;
    line_ = 0;
}

void TrtfView::BindDocument() {
    lexer_.SetInput(stream_.get());
    lexer_.Seek(0);
}

bool TrtfView::LoadDocument(const std::string& rtfName, const std::string& rtcName) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(rtfName, ec)) {
        host_.ShowMessage("Can't open file", "File Read Error");
        return true;
    }
    host_.BeginWait();
    lexer_.SetInput(nullptr);
    stream_.reset();
    fileName_ = rtfName;
    doc_.Reset(FontName);
    Clear();
    history_.clear();
    shown_.clear();
    stream_ = std::make_unique<LexFileInput>(rtfName);
    bool ok = stream_->IsOpen();
    if (!ok) {
        stream_.reset();
    } else if (doc_.ReadCache(rtfName, rtcName)) {
        BindDocument();
    } else {
        BindDocument();
        // A document the lexer gave up on is shown as far as it got, and not
        // cached.
        if (doc_.Parse(lexer_)) doc_.WriteCache(rtfName, rtcName);
    }
    host_.EndWait();
    return ok;
}

bool TrtfView::JumpTo(const std::string& name) {
    if (!ShowTopic(name)) return false;
    if (history_.empty() || history_.back() != name) history_.push_back(name);
    if (OnJumped) OnJumped(name);
    return true;
}

void TrtfView::GoBack() {
    if (!CanGoBack()) return;
    std::string name = history_[history_.size() - 2];
    if (!ShowTopic(name)) return;
    history_.pop_back();
    if (OnJumped) OnJumped(name);
}

void TrtfView::GoContents() {
    if (doc_.topics.empty()) return;
    std::string name = doc_.topics.front().name;
    for (const TTopic& t : doc_.topics) {
        std::string upper = t.name;
        for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "CONTENTS") {
            name = t.name;
            break;
        }
    }
    JumpTo(name);
}

void TrtfView::ReplaceFontName(const std::string& oldName, const std::string& newName) {
    std::vector<std::string> renamed;
    for (TFontRec& f : doc_.fonts) {
        if (!oldName.empty() && f.name != oldName) continue;
        renamed.push_back(f.name);
        f.oldName = f.name;
        f.name = newName;
    }
    // Elements already built use the fonts by name.
    auto rename = [&](RtfFont& font) {
        if (std::find(renamed.begin(), renamed.end(), font.name) != renamed.end()) font.name = newName;
    };
    for (auto& e : elements_) {
        if (auto* t = dynamic_cast<TRTFText*>(e.get()))
            rename(t->font);
        else if (auto* s = dynamic_cast<TRTFSpace*>(e.get()))
            rename(s->font);
        else if (auto* p = dynamic_cast<TRTFParagraph*>(e.get()))
            rename(p->font);
    }
}

void TrtfView::SetLine(int value) {
    if (value == line_) return;
    line_ = std::clamp(value, 0, std::max(scrollLines_ - 1, 0));
    if (ScrollBar) ScrollBar->SetPosition(line_);
    host_.Invalidate();
}

void TrtfView::SetSize(int width, int height) {
    width_ = width;
    height_ = height;
    Relayout(false);
}

void TrtfView::Relayout(bool measure) {
    RtfCanvas& canvas = host_.ControlCanvas();
    if (measure) MeasureAll(canvas);
    LayoutLines(canvas, width_);
    UpdateScrollBar();
    host_.Invalidate();
}

namespace {
int KeepHeight(const std::vector<TRTFLine>& lines, int keep) {
    int h = 0;
    for (int i = 0; i < keep; ++i) h += lines[i].Height();
    return keep > 0 ? h + 1 : 0;  // and the separator under them
}
}  // namespace

void TrtfView::UpdateScrollBar() {
    if (!ScrollBar) return;
    ScrollBar->Configure(0, 0, 1, 0);
    if (scrollLines_ == 0) return;
    // Scrolling lines that fit below the fixed ones, counted from the last:
    // the last line can be brought to the bottom, and a page is that many lines.
    int room = height_ - KeepHeight(lines_, keepLines_), used = 0, k = 0;
    for (int i = int(lines_.size()) - 1; i >= keepLines_; --i) {
        used += lines_[i].Height();
        if (used > room) break;
        ++k;
    }
    k = std::max(k, 1);
    ScrollBar->Configure(0, scrollLines_ - k, k, 0);
}

bool TrtfView::NeedsScrollBar() const {
    int total = 0;
    for (int i = 0; i < keepLines_; ++i) total += lines_[i].Height();
    for (size_t i = size_t(keepLines_ + line_); i < lines_.size(); ++i) total += lines_[i].Height();
    return total > height_;
}

void TrtfView::Paint(RtfCanvas& canvas) {
    if (OnBackground)
        OnBackground(canvas);
    else
        canvas.FillRect(0, 0, width_, height_, Color);
    int y = 0;
    for (int i = 0; i < keepLines_; ++i) {
        DrawLine(lines_[i], 0, y, canvas);
        y += lines_[i].Height();
    }
    if (keepLines_ > 0) {
        canvas.HorizontalLine(0, width_, y, 0);
        ++y;
    }
    for (size_t i = size_t(keepLines_ + line_); i < lines_.size(); ++i) {
        if (y + lines_[i].Height() > height_) break;
        DrawLine(lines_[i], 0, y, canvas);
        y += lines_[i].Height();
    }
}

TRTFElement* TrtfView::HotElementAt(int x, int y) {
    auto search = [&](const TRTFLine& line) -> TRTFElement* {
        for (TRTFElement* e : line.elements)
            if (e->HitTest(x, y)) return e;
        return nullptr;
    };
    for (int i = 0; i < keepLines_; ++i)
        if (TRTFElement* e = search(lines_[i])) return e;
    int sum = KeepHeight(lines_, keepLines_);
    for (size_t i = size_t(keepLines_ + line_); i < lines_.size() && sum < height_; ++i) {
        if (TRTFElement* e = search(lines_[i])) return e;
        sum += lines_[i].Height();
    }
    return nullptr;
}

bool TrtfView::MouseMove(int x, int y) { return HotElementAt(x, y) != nullptr; }

void TrtfView::MouseDown(int x, int y) {
    TRTFElement* e = HotElementAt(x, y);
    if (!e) return;
    bool accept = true;
    std::string target = e->GetTarget();
    if (OnJump) {
        auto* text = dynamic_cast<TRTFText*>(e);
        OnJump(text ? text->text : "HOTBITMAP", target, accept);
    }
    if (accept) JumpTo(target);
}
