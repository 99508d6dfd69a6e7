// The RTF lexer and scanner, the topic splitter, the .rtc cache and the
// topic builder over any bytes: tokens stay bounded and nothing reads or
// writes out of place.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "rtf_view.h"

namespace {

class NullCanvas : public RtfCanvas {
public:
    int PixelsPerInchX() override { return 96; }
    int PixelsPerInchY() override { return 96; }
    int BitsPerPixel() override { return 24; }
    int TextWidth(const RtfFont& f, const std::string& t) override { return int(t.size()) * (f.size / 2 + 1); }
    void TextOut(int, int, const RtfFont&, const std::string&, uint32_t, uint32_t, bool) override {}
    void StretchPicture(const RtfPicture&, int, int, int, int) override {}
    void FillRect(int, int, int, int, uint32_t) override {}
    void HorizontalLine(int, int, int, uint32_t) override {}
};

class NullHost : public RtfViewHost {
public:
    NullCanvas canvas;
    RtfCanvas& ControlCanvas() override { return canvas; }
};

// Files of this process only, under /tmp.
const std::string& Folder() {
    static const std::string dir = [] {
        std::string d = "/tmp/fuzz_rtf_" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    LexMemoryInput input(text);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    while (lexer.NextToken(), !lexer.Text().empty()) {
        if (lexer.Text().size() > 200) __builtin_trap();
    }

    const std::string rtf = Folder() + "/doc.rtf", rtc = Folder() + "/doc.rtc";
    std::ofstream(rtf, std::ios::binary | std::ios::trunc).write(text.data(), std::streamsize(size));
    std::filesystem::remove(rtc);
    NullHost host;
    TrtfView view(host);
    view.SetSize(300, 200);
    // Parsed, then read back from the cache just written.
    for (int pass = 0; pass < 2; ++pass) {
        view.LoadDocument(rtf, rtc);
        const RtfDocument& doc = view.Document();
        for (const TTopic& t : doc.topics) {
            if (t.offset < 0 || size_t(t.offset) > size) __builtin_trap();
            if (t.state.font < 0 || size_t(t.state.font) >= doc.fonts.size()) __builtin_trap();
        }
    }
    size_t shown = 0;
    for (const TTopic& t : std::vector<TTopic>(view.Document().topics)) {
        if (++shown > 4) break;
        view.JumpTo(t.name);
        view.Paint(host.canvas);
        view.MouseMove(10, 10);
        view.SetLine(view.ScrollLines() / 2);
        view.ClipboardRtf();
        view.ClipboardText();
    }
    return 0;
}
