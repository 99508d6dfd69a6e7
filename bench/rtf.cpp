// Laying out a 1 MB RTF document (parse, build the topic, measure, break
// into lines at two widths) beside `unrtf --text` converting the same file,
// in one run (unrtf's start-up, its time on an empty document, taken off).
//   bench_rtf [megabytes]   (default 1)
#include <fstream>

#include "bench.h"
#include "rtf_view.h"

namespace {

// Character widths as a proportional font would give them, without a device.
class MeasureCanvas : public RtfCanvas {
public:
    int PixelsPerInchX() override { return 96; }
    int PixelsPerInchY() override { return 96; }
    int BitsPerPixel() override { return 24; }
    int TextWidth(const RtfFont& f, const std::string& t) override {
        int w = 0;
        for (unsigned char c : t) w += (c & 3) + 4;
        return w * f.size / 12;
    }
    void TextOut(int, int, const RtfFont&, const std::string&, uint32_t, uint32_t, bool) override {}
    void StretchPicture(const RtfPicture&, int, int, int, int) override {}
    void FillRect(int, int, int, int, uint32_t) override {}
    void HorizontalLine(int, int, int, uint32_t) override {}
};

class Host : public RtfViewHost {
public:
    MeasureCanvas canvas;
    RtfCanvas& ControlCanvas() override { return canvas; }
};

std::string Document(size_t bytes) {
    std::string doc =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n";
    for (int p = 0; doc.size() < bytes; ++p) {
        doc += p % 5 == 0 ? "\\pard\\plain\\qj\\sb120\\sa120 " : "\\pard\\plain\\li360\\fi-360 ";
        for (int w = 0; w < 60; ++w) {
            if (w % 9 == 4)
                doc += "{\\b bold" + std::to_string(w) + "} ";
            else if (w % 11 == 7)
                doc += "{\\i\\cf1 caf\\'e9} ";
            else
                doc += "word" + std::to_string((p * 61 + w) % 997) + " ";
        }
        doc += p % 3 ? "\\par\n" : "\\tab end\\par\n";
    }
    return doc + "}\n";
}

}  // namespace

int main(int argc, char** argv) {
    double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    const std::string rtf = bench::ScratchFile("doc.rtf"), rtc = bench::ScratchFile("doc.rtc");
    const std::string empty = bench::ScratchFile("empty.rtf"), out = bench::ScratchFile("unrtf.txt");
    std::string doc = Document(size_t(megabytes * 1024 * 1024));
    std::ofstream(rtf, std::ios::binary).write(doc.data(), std::streamsize(doc.size()));
    std::ofstream(empty, std::ios::binary) << "{\\rtf1\\ansi }\n";

    Host host;
    size_t lines = 0;
    auto layout = [&](bool cached) {
        if (!cached) std::filesystem::remove(rtc);
        TrtfView view(host);
        view.SetSize(640, 480);
        view.LoadDocument(rtf, rtc);
        if (!view.ShowTopic("Contents")) return false;
        lines = view.Lines().size();
        view.SetSize(320, 480);
        return view.Lines().size() > lines;
    };
    const double startup = bench::CommandMs("unrtf --text " + empty + " > " + out);
    const double unrtf = bench::CommandMs("unrtf --text " + rtf + " > " + out);
    const double peer = unrtf < 0 || startup < 0 ? -1 : std::max(0.0, unrtf - startup);
    char size[32];
    std::snprintf(size, sizeof size, "%.1f MB", doc.size() / 1048576.0);
    bench::Row(std::string("RTF ") + size + ": parse, build, lay out x2")
        .Ours(bench::Median([&] { return layout(false); }))
        .Peer("unrtf --text", peer)
        .Print();
    bench::Row(std::string("RTF ") + size + ": the same from its cache")
        .Ours(bench::Median([&] { return layout(true); }))
        .Peer("unrtf --text", peer)
        .Print();
    // Where the time goes, on the parse path (notes, not the table).
    double load = 0, show = 0, relayout = 0;
    for (int i = 0; i < 3; ++i) {
        std::filesystem::remove(rtc);
        TrtfView view(host);
        view.SetSize(640, 480);
        double t0 = bench::Now();
        view.LoadDocument(rtf, rtc);
        const double a = bench::Now() - t0;
        t0 = bench::Now();
        view.ShowTopic("Contents");
        const double b = bench::Now() - t0;
        t0 = bench::Now();
        view.SetSize(320, 480);
        const double c = bench::Now() - t0;
        if (i == 0 || a + b + c < load + show + relayout) load = a, show = b, relayout = c;
    }
    bench::Note(
        "RTF: parse and cache %.1f ms, build and measure and lay out %.1f ms, lay out again %.1f ms; %zu lines at 640 "
        "pixels",
        load, show, relayout, lines);
    return 0;
}
