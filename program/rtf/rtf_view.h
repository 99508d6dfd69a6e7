// The view of one topic of an RTF document: it owns the document tables and
// topics, builds the elements of the topic shown and lays them out in lines,
// paints them, scrolls by whole lines, follows hot links with a history,
// copies the topic to the clipboard and prints it. The window around it
// (rtf_view_win32) gives it its canvas, cursor, scroll bar and clipboard.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtf_canvas.h"
#include "rtf_document.h"
#include "rtf_elements.h"
#include "rtf_lexer.h"

using TLoadEvent = std::function<void(TRtfState& st, bool& loadFlag)>;
using TJumpEvent = std::function<void(const std::string& hotText, const std::string& targetTopic, bool& accept)>;
using TJumpedEvent = std::function<void(const std::string& topic)>;
using TPrintEvent = std::function<void(int& posX, int& posY)>;
using TEraseEvent = std::function<void(RtfCanvas& canvas)>;

class TrtfView {
public:
    explicit TrtfView(RtfViewHost& host);
    virtual ~TrtfView();
    TrtfView(const TrtfView&) = delete;
    TrtfView& operator=(const TrtfView&) = delete;

    // ---- Properties
    std::string FontName = "MS Sans Serif";  // entry 0 of every font table
    uint32_t Color = 0xFFFFFF;
    uint32_t HotColor = 0x008000;
    bool ClearIfNone = false;
    RtfScrollBar* ScrollBar = nullptr;
    TEraseEvent OnBackground;
    TJumpEvent OnJump;
    TJumpedEvent OnJumped;
    TPrintEvent OnPrint, OnPrinted;
    TLoadEvent OnBeforeLoad, OnAfterLoad;
    std::function<void()> OnNewPage;
    // Print margins in millimetres.
    int MarginLeft = 20, MarginRight = 20, MarginTop = 20, MarginBottom = 20;

    int Line() const { return line_; }
    void SetLine(int value);
    void SetSize(int width, int height);  // the control was resized
    int Width() const { return width_; }
    int Height() const { return height_; }

    // ---- Documents and topics
    // False when the document exists but cannot be read; a missing one only
    // shows its message.
    bool LoadDocument(const std::string& rtfName, const std::string& rtcName);
    bool ShowTopic(const std::string& name);
    bool JumpTo(const std::string& name);
    bool CanGoBack() const { return history_.size() > 1; }
    void GoBack();
    void GoContents();
    void ReplaceFontName(const std::string& oldName, const std::string& newName);

    // ---- Layout
    void MeasureAll(RtfCanvas& canvas);
    void LayoutLines(RtfCanvas& canvas, int width);
    void DrawLine(const TRTFLine& line, int x, int y, RtfCanvas& canvas);
    bool NeedsScrollBar() const;

    // ---- Window events
    // Paints the visible lines onto the off-screen picture of the control's size.
    void Paint(RtfCanvas& offscreen);
    // True when the mouse is over a hot element (the hot cursor shows).
    bool MouseMove(int x, int y);
    void MouseDown(int x, int y);

    // ---- Clipboard and printing
    // The topic last jumped to as RTF (header, starting state, its text) and
    // as plain text.
    std::string ClipboardRtf();
    std::string ClipboardText() const;
    void CopyToClipboard();
    void PrintTopic();
    int PrintFrom(int y);

    // ---- Read access (tests, the description view)
    const RtfDocument& Document() const { return doc_; }
    const std::vector<std::unique_ptr<TRTFElement>>& Elements() const { return elements_; }
    const std::vector<TRTFLine>& Lines() const { return lines_; }
    int KeepLines() const { return keepLines_; }
    int ScrollLines() const { return scrollLines_; }
    const std::vector<std::string>& History() const { return history_; }
    const std::string& TopicShown() const { return shown_; }
    const std::string& FileName() const { return fileName_; }

protected:
    RtfViewHost& host_;
    // Lays out again on the control's canvas (measuring first unless only the
    // width changed) and shows the result.
    void Relayout(bool measure = true);

private:
    void Clear();
    void BindDocument();
    void UpdateScrollBar();
    RtfFont FontOf(const TRtfState& state) const;
    void BuildTopic(TRtfState state, long offset);
    void FinishPicture(int mode, const std::string& data, int goalW, int goalH, int scaleX, int scaleY, int picW,
                       int picH, RtfPictureKind kind, const TRtfState& state);
    void AddPictureFile(std::string name, const TRtfState& state);
    void MakeHot(const std::string& target);
    TRTFElement* HotElementAt(int x, int y);

    RtfDocument doc_;
    std::string fileName_;
    std::unique_ptr<LexFileInput> stream_;
    RtfLexer lexer_;  // reads stream_
    std::string shown_;
    std::vector<std::unique_ptr<TRTFElement>> elements_;
    std::vector<TRTFLine> lines_;
    int keepLines_ = 0, scrollLines_ = 0;
    std::vector<std::string> history_;
    int line_ = 0;
    int width_ = 2, height_ = 2;
};
