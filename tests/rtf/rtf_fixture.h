// An in-memory canvas, host and printer for the document engine, and a
// view loaded from RTF text written to a temporary file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "rtf_view.h"

// Every character is (points / 2) pixels wide, at least 1; 96 dpi.
class MemoryCanvas : public RtfCanvas {
public:
    struct Text {
        int x, y;
        std::string text;
        uint32_t color, background;
        bool transparent;
        RtfFont font;
    };
    struct Picture {
        const RtfPicture* picture;
        int left, top, right, bottom;
    };
    int ppi = 96, bpp = 24;
    std::vector<Text> texts;
    std::vector<Picture> pictures;
    std::vector<int> rules;  // y of horizontal lines

    static int CharWidth(const RtfFont& f) { return std::max(1, f.size / 2); }
    int PixelsPerInchX() override { return ppi; }
    int PixelsPerInchY() override { return ppi; }
    int BitsPerPixel() override { return bpp; }
    int TextWidth(const RtfFont& font, const std::string& text) override { return int(text.size()) * CharWidth(font); }
    void TextOut(int x, int y, const RtfFont& font, const std::string& text, uint32_t color, uint32_t background,
                 bool transparent) override {
        texts.push_back({x, y, text, color, background, transparent, font});
    }
    void StretchPicture(const RtfPicture& p, int l, int t, int r, int b) override {
        pictures.push_back({&p, l, t, r, b});
    }
    void FillRect(int, int, int, int, uint32_t) override {}
    void HorizontalLine(int, int, int y, uint32_t) override { rules.push_back(y); }
    void Clear() {
        texts.clear();
        pictures.clear();
        rules.clear();
    }
};

class MemoryPicture : public RtfPicture {
public:
    MemoryPicture(int w, int h, std::string bytes = {}) : w_(w), h_(h), bytes(std::move(bytes)) {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    int w_, h_;
    std::string bytes;
};

class MemoryPrinter : public RtfPrinter {
public:
    MemoryCanvas canvas;
    int pages = 0, docs = 0, ended = 0;
    std::vector<std::pair<int, std::string>> printed;  // page, text
    int width = 800, height = 1000;                    // pixels of a 100 dpi page of 8 x 10 inches
    void BeginDoc() override { ++docs, pages = 1; }
    void NewPage() override { ++pages; }
    void EndDoc() override { ++ended; }
    RtfCanvas& Canvas() override { return canvas; }
    int PageWidth() override { return width; }
    int PageHeight() override { return height; }
    int HorzSizeMm() override { return 203; }
    int VertSizeMm() override { return 254; }
    int HorzRes() override { return width; }
    int VertRes() override { return height; }
};

class MemoryHost : public RtfViewHost {
public:
    MemoryCanvas canvas;
    MemoryPrinter printer;
    bool hasPrinter = true;
    std::vector<std::string> messages;
    int waits = 0, invalidated = 0;
    struct Made {
        RtfPictureKind kind;
        std::string bytes;
        int width, height;
    };
    std::vector<Made> made;
    std::vector<std::string> loaded;
    std::string clipRtf, clipText;

    RtfCanvas& ControlCanvas() override { return canvas; }
    void Invalidate() override { ++invalidated; }
    void BeginWait() override { ++waits; }
    void EndWait() override { --waits; }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
    std::unique_ptr<RtfPicture> LoadPicture(const std::string& path) override {
        loaded.push_back(path);
        return std::make_unique<MemoryPicture>(48, 24);
    }
    std::unique_ptr<RtfPicture> MakePicture(RtfPictureKind kind, const std::string& bytes, int w, int h) override {
        made.push_back({kind, bytes, w, h});
        return std::make_unique<MemoryPicture>(w, h, bytes);
    }
    bool SetClipboard(const std::string& rtf, const std::string& text) override {
        clipRtf = rtf, clipText = text;
        return true;
    }
    RtfPrinter* Printer() override { return hasPrinter ? &printer : nullptr; }
};

class MemoryScrollBar : public RtfScrollBar {
public:
    int min = -1, max = -1, page = -1, position = -1;
    void Configure(int mn, int mx, int pg, int pos) override { min = mn, max = mx, page = pg, position = pos; }
    void SetPosition(int pos) override { position = pos; }
};

// A fresh folder of this test under the build's temporary folder.
inline std::string RtfTempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = TestTempPath(std::string("rtf_") + info->test_suite_name() + "_" + info->name());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir;
}

// A view over an RTF document written to a temporary file.
struct ViewFixture {
    MemoryHost host;
    TrtfView view{host};
    std::string dir, rtf, rtc;

    explicit ViewFixture(const std::string& text, int width = 400, int height = 300, const std::string& name = "doc") {
        dir = RtfTempDir();
        rtf = dir + "/" + name + ".rtf";
        rtc = dir + "/" + name + ".rtc";
        WriteFileBytes(rtf, text);
        view.SetSize(width, height);
        view.LoadDocument(rtf, rtc);
    }
    // Words of each line, joined by one blank (blank elements as "_").
    std::vector<std::string> LineTexts() const {
        std::vector<std::string> out;
        for (const TRTFLine& line : view.Lines()) {
            std::string s;
            for (TRTFElement* e : line.elements) {
                if (!s.empty()) s += ' ';
                if (auto* t = dynamic_cast<TRTFText*>(e))
                    s += t->text;
                else if (dynamic_cast<TRTFSpace*>(e))
                    s += '_';
                else if (dynamic_cast<TRTFTab*>(e))
                    s += "<tab>";
                else
                    s += "<pic>";
            }
            out.push_back(s);
        }
        return out;
    }
};

// A document whose header has a font and colour table, then topics.
inline std::string HelpDocument(const std::string& body) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}\n"
           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n" +
           body + "}\n";
}
