// Laying out a 1 MB RTF document (parse, build the topic, measure, break
// into lines at two widths) beside `unrtf --text` converting the same file,
// in one run.
//   bench_rtf [megabytes]   (default 1)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "rtf_view.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

template <typename F>
double Best(int runs, F step) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    if (!step()) return -1;
    best = std::min(best, Seconds(start));
  }
  return best;
}

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
      if (w % 9 == 4) doc += "{\\b bold" + std::to_string(w) + "} ";
      else if (w % 11 == 7) doc += "{\\i\\cf1 caf\\'e9} ";
      else doc += "word" + std::to_string((p * 61 + w) % 997) + " ";
    }
    doc += p % 3 ? "\\par\n" : "\\tab end\\par\n";
  }
  return doc + "}\n";
}

void Report(const char* what, double seconds, double mb, double peer) {
  if (seconds < 0) {
    std::printf("%-36s %10s\n", what, "failed");
    return;
  }
  std::printf("%-36s %8.1f ms %8.2f MB/s", what, seconds * 1000, mb / seconds);
  if (peer > 0) std::printf(" %6.2fx unrtf", seconds / peer);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
  const std::string dir = "/tmp/bench_rtf";
  std::filesystem::create_directories(dir);
  const std::string rtf = dir + "/doc.rtf", rtc = dir + "/doc.rtc", out = dir + "/unrtf.txt";
  std::string doc = Document(size_t(megabytes * 1024 * 1024));
  std::ofstream(rtf, std::ios::binary).write(doc.data(), std::streamsize(doc.size()));
  const double mb = doc.size() / 1048576.0;

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
  double peer = Best(3, [&] { return std::system(("unrtf --text " + rtf + " > " + out).c_str()) == 0; });
  std::printf("RTF layout of %.2f MB\n", mb);
  Report("unrtf --text (process)", peer, mb, -1);
  Report("ours: parse, build, layout x2", Best(3, [&] { return layout(false); }), mb, peer);
  Report("ours: from the .rtc cache", Best(3, [&] { return layout(true); }), mb, peer);
  // Where the time goes, on the parse path.
  double load = 0, show = 0, relayout = 0;
  for (int i = 0; i < 3; ++i) {
    std::filesystem::remove(rtc);
    TrtfView view(host);
    view.SetSize(640, 480);
    auto t0 = Clock::now();
    view.LoadDocument(rtf, rtc);
    double a = Seconds(t0);
    t0 = Clock::now();
    view.ShowTopic("Contents");
    double b = Seconds(t0);
    t0 = Clock::now();
    view.SetSize(320, 480);
    double c = Seconds(t0);
    if (i == 0 || a + b + c < load + show + relayout) load = a, show = b, relayout = c;
  }
  std::printf("  parse and cache %.1f ms, build and measure and lay out %.1f ms, lay out again %.1f ms\n",
              load * 1000, show * 1000, relayout * 1000);
  std::printf("%zu lines at 640 pixels\n", lines);
  return 0;
}
