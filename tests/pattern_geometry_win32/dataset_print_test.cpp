// Every pattern piece of every garment of the data set printed to the PDF
// printer at the doll's size, and measured on the rendered pages: the solid
// cutting line spans the size its .mdl points give (times the doll's
// factors) within half a millimetre, and the dotted stitching line runs
// where its points say, a 6 mm seam allowance inside the cutting line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host.h"
#include "app/garment_host_win32.h"
#include "models/garment_model.h"
#include "models/pattern_gdi_win32.h"
#include "printers.h"
#include "program_fixture.h"
#include "settings/paths.h"

namespace {

const int kRender = 300;  // dots per inch of the rendered pages, the printer's own

struct Page {
    int width = 0, height = 0;
    std::string pixels;
    // Dots of a one-pixel pen render grey: anything clearly darker than
    // the paper counts.
    bool Dark(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               static_cast<unsigned char>(pixels[static_cast<size_t>(y) * width + x]) < 192;
    }
};

// The pages of the newest PDF whose name holds the title, rendered grey.
std::vector<Page> RenderedPages(const std::string& title, const std::string& marker) {
    std::string list = TestTempPath(title + ".found");
    std::string find = "for i in $(seq 120); do f=$(find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title +
                       "*.pdf' -newer '" + marker +
                       "' 2>/dev/null | head -1); [ -n \"$f\" ] && sleep 1 && echo \"$f\" > '" + list +
                       "' && exit 0; sleep 0.5; done; exit 1";
    std::vector<Page> pages;
    if (RunHost(find) != 0) return pages;
    std::string pdf = ReadFileBytes(list);
    pdf.erase(pdf.find_last_not_of("\n") + 1);
    std::string prefix = TestTempPath(title + "-page");
    if (RunHost("pdftoppm -r " + std::to_string(kRender) + " -gray '" + pdf + "' '" + prefix + "' && rm -f '" + pdf +
                "'") != 0)
        return pages;
    for (int n = 1;; ++n) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, "-%02d.pgm", n);
        std::string bytes = ReadFileBytes(prefix + suffix);
        if (bytes.empty()) {
            snprintf(suffix, sizeof suffix, "-%d.pgm", n);
            bytes = ReadFileBytes(prefix + suffix);
        }
        if (bytes.empty()) break;
        std::istringstream in(bytes);
        std::string magic;
        Page page;
        int maxval = 0;
        in >> magic >> page.width >> page.height >> maxval;
        in.get();
        page.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
        if (magic != "P5" || page.pixels.size() < static_cast<size_t>(page.width) * page.height) break;
        pages.push_back(std::move(page));
    }
    return pages;
}

struct Box {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    void Add(double x, double y) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    bool Empty() const { return right < left; }
};

struct Segment {
    double x1, y1, x2, y2;
};

// Where one piece landed: its page, its origin and its per-unit factors in
// rendered pixels, and its cutting and stitching lines in model units.
struct Placed {
    std::string what;
    size_t page = 0;
    double x0 = 0, y0 = 0, w = 0, h = 0, kx = 0, ky = 0;
    double mmPerUnitX = 0, mmPerUnitY = 0;
    std::vector<Segment> cutting, stitching;
    Box Rendered(const std::vector<Segment>& lines) const {
        Box b;
        for (const Segment& s : lines) b.Add(x0 + s.x1 * kx, y0 + s.y1 * ky), b.Add(x0 + s.x2 * kx, y0 + s.y2 * ky);
        return b;
    }
    Segment RenderedSegment(const Segment& s) const {
        return {x0 + s.x1 * kx, y0 + s.y1 * ky, x0 + s.x2 * kx, y0 + s.y2 * ky};
    }
};

const double kPxPerMm = kRender / 25.4;

double LineDistance(double x, double y, const Segment& s) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    return std::abs(dx * (y - s.y1) - dy * (x - s.x1)) / std::max(std::hypot(dx, dy), 1e-9);
}

double SegmentDistance(double x, double y, const Segment& s) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1, len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? std::clamp(((x - s.x1) * dx + (y - s.y1) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(x - s.x1 - t * dx, y - s.y1 - t * dy);
}

// The seam allowance at the doll's own size: each stitching segment runs
// 6 mm (+-0.5, the .mdl's whole millimetres) inside the line of a cutting
// segment, and no point of the stitching line comes nearer than 5.5 mm to
// any cutting line.
void ExpectSeamAllowance(const Placed& p) {
    const double kAllowance = 6.0, kTolerance = 0.5;
    for (const Segment& s : p.stitching) {
        bool parallel = false;
        for (const Segment& c : p.cutting)
            parallel |= std::abs(LineDistance(s.x1, s.y1, c) - kAllowance) <= kTolerance &&
                        std::abs(LineDistance(s.x2, s.y2, c) - kAllowance) <= kTolerance;
        EXPECT_TRUE(parallel) << p.what << ": stitching (" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2
                              << ") is not 6 mm inside any cutting line";
        const double len = std::hypot(s.x2 - s.x1, s.y2 - s.y1);
        const int steps = std::max(1, int(len * 4));
        double nearest = 1e9;
        for (int k = 0; k <= steps; ++k) {
            const double x = s.x1 + (s.x2 - s.x1) * k / steps, y = s.y1 + (s.y2 - s.y1) * k / steps;
            for (const Segment& c : p.cutting) nearest = std::min(nearest, SegmentDistance(x, y, c));
        }
        EXPECT_GE(nearest, kAllowance - kTolerance)
            << p.what << ": stitching (" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ") comes within "
            << nearest << " mm of a cutting line";
    }
}

// Prints every piece of the models at the factors in one job and measures.
void PrintAndMeasure(const std::vector<std::string>& models, double fh, double fv) {
    ProgramModelHost host;
    std::vector<std::unique_ptr<TModel>> loaded;
    for (const std::string& name : models)
        loaded.push_back(std::make_unique<TModel>(host, name, nullptr, 200, 100, tsUnVisible, "States1", nullptr));

    const std::string title =
        "datasetpieces" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(int(fh * 100));
    const std::string marker = TestTempPath(title + ".start");
    RunHost("touch '" + marker + "'");
    Printer()->SetTitle(title);
    Printer()->BeginDoc();
    GdiPatternPrinter printer;
    const int dpiX = printer.DotsPerInchX(), dpiY = printer.DotsPerInchY();
    const int offsetX = GetDeviceCaps(Printer()->Handle(), PHYSICALOFFSETX);
    const int offsetY = GetDeviceCaps(Printer()->Handle(), PHYSICALOFFSETY);
    std::vector<Placed> placed;
    int x = 0, y = 0, rowBottom = 0;
    for (auto& model : loaded)
        for (auto& piece : model->Pieces) {
            int wmm = 0, hmm = 0;
            piece->PrintedMillimetres(fh, fv, wmm, hmm);
            PrinterSize size = MillimetresToDots(wmm, hmm, dpiX, dpiY);
            ASSERT_LE(size.y, printer.PageHeight()) << model->FileName << " " << piece->Name << ": taller than a page";
            piece->PrintPiece(printer, x, y, rowBottom, nullptr, fh, fv);
            Placed p;
            p.what = model->FileName + " " + piece->Name;
            p.page = static_cast<size_t>(printer.PageNumber() - 1);
            // The printer pixel (px, py) of the printable area is rendered at
            // ((px + offset) / dpi) inches.
            p.x0 = (x - size.x + offsetX) * double(kRender) / dpiX;
            p.y0 = (y + offsetY) * double(kRender) / dpiY;
            p.w = size.x * double(kRender) / dpiX, p.h = size.y * double(kRender) / dpiY;
            p.kx = double(size.x) / piece->Width * kRender / dpiX;
            p.ky = double(size.y) / piece->Height * kRender / dpiY;
            p.mmPerUnitX = fh, p.mmPerUnitY = fv;
            for (auto& primitive : piece->Primitives) {
                auto [a, b] = primitive->GetEnds();
                Segment s{double(a->X), double(a->Y), double(b->X), double(b->Y)};
                if (dynamic_cast<TPrimLineSg*>(primitive.get()))
                    p.cutting.push_back(s);
                else if (dynamic_cast<TPrimLineS*>(primitive.get()))
                    p.stitching.push_back(s);
            }
            ASSERT_FALSE(p.cutting.empty()) << p.what;
            ASSERT_FALSE(p.stitching.empty()) << p.what;
            if (fh == 1.0 && fv == 1.0) ExpectSeamAllowance(p);
            placed.push_back(std::move(p));
        }
    Printer()->EndDoc();

    std::vector<Page> pages = RenderedPages(title, marker);
    ASSERT_FALSE(pages.empty()) << "no PDF arrived for " << title;
    ASSERT_EQ(pages.size(), placed.back().page + 1);
    for (const Placed& p : placed) {
        const Page& page = pages[p.page];
        // The cutting line: the dark pixels of the piece's own box. Pieces
        // of a row touch and rows follow each other without a gap, so the
        // box keeps clear of the neighbours' lines: the data set's outlines
        // end a millimetre before the box's right and bottom edges.
        const double inside = 0.4 * kPxPerMm;
        Box cut;
        for (int py = int(std::ceil(p.y0 - inside)); py < int(p.y0 + p.h - inside); ++py)
            for (int px = int(std::ceil(p.x0 - inside)); px < int(p.x0 + p.w - inside); ++px)
                if (page.Dark(px, py)) cut.Add(px, py);
        ASSERT_FALSE(cut.Empty()) << p.what << ": nothing printed";
        // The .mdl extent at the doll's factors, in millimetres.
        Box units;
        for (const Segment& s : p.cutting) units.Add(s.x1, s.y1), units.Add(s.x2, s.y2);
        const double wantW = (units.right - units.left) * p.mmPerUnitX,
                     wantH = (units.bottom - units.top) * p.mmPerUnitY;
        // The pen's width (two printer pixels) counts once, centred.
        const double pen = 2.0 * kRender / dpiX;
        EXPECT_NEAR((cut.right - cut.left + 1 - pen) / kPxPerMm, wantW, 0.5) << p.what << " width";
        EXPECT_NEAR((cut.bottom - cut.top + 1 - pen) / kPxPerMm, wantH, 0.5) << p.what << " height";

        // The stitching line: dotted (dark and light along its way; a dot
        // counts within a pixel of the way, as thin dots render grey).
        int onLine = 0, samples = 0;
        auto darkNear = [&](double x, double y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (page.Dark(int(std::lround(x)) + dx, int(std::lround(y)) + dy)) return true;
            return false;
        };
        for (const Segment& s : p.stitching) {
            Segment r = p.RenderedSegment(s);
            double len = std::max(std::hypot(r.x2 - r.x1, r.y2 - r.y1), 1e-9);
            for (double t = 0; t <= len; t += 0.5, ++samples)
                onLine += darkNear(r.x1 + (r.x2 - r.x1) * t / len, r.y1 + (r.y2 - r.y1) * t / len);
        }
        ASSERT_GT(samples, 0) << p.what;
        const double coverage = double(onLine) / samples;
        EXPECT_GT(coverage, 0.2) << p.what << ": the stitching line is missing";
        EXPECT_LT(coverage, 0.9) << p.what << ": the stitching line is not dotted";
        // It is printed where its .mdl points put it: along its whole way a
        // dot lies within a millimetre (the printer's dots stand about 1.3 mm
        // apart).
        const int reach = int(std::lround(1.0 * kPxPerMm));
        int nearby = 0;
        samples = 0;
        for (const Segment& s : p.stitching) {
            Segment r = p.RenderedSegment(s);
            double len = std::max(std::hypot(r.x2 - r.x1, r.y2 - r.y1), 1e-9);
            for (double t = 0; t <= len; t += 1.0, ++samples) {
                const int sx = int(std::lround(r.x1 + (r.x2 - r.x1) * t / len));
                const int sy = int(std::lround(r.y1 + (r.y2 - r.y1) * t / len));
                bool found = false;
                for (int dy = -reach; dy <= reach && !found; ++dy)
                    for (int dx = -reach; dx <= reach && !found; ++dx) found = page.Dark(sx + dx, sy + dy);
                nearby += found;
            }
        }
        EXPECT_GT(double(nearby) / samples, 0.95) << p.what << ": the stitching line strays from its points";
    }
}

// The data set's garments, program-relative without extension.
std::vector<std::string> DatasetModels() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((WinPath(DATASET_UNIX_DIR) + "\\models\\*.mdl").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = found.cFileName;
        names.push_back("models\\" + n.substr(0, n.size() - 4));
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

struct FolderGuard {
    std::string saved = ProgramFolder;
    ~FolderGuard() { ProgramFolder = saved; }
};

}  // namespace

TEST(DatasetPrint, EveryPieceAtTheStandardDollsSize) {
    EnsureFramework();
    ASSERT_FALSE(Printer()->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    FolderGuard guard;
    ProgramFolder = WinPath(DATASET_UNIX_DIR) + "\\";
    std::vector<std::string> models = DatasetModels();
    ASSERT_EQ(models.size(), 24u);
    PrintAndMeasure(models, 1.0, 1.0);
}

// A larger doll: wider by a quarter and taller by a tenth; the pieces, their
// allowance included, grow on paper by those factors.
TEST(DatasetPrint, PiecesFollowTheDollsMeasurements) {
    EnsureFramework();
    FolderGuard guard;
    ProgramFolder = WinPath(DATASET_UNIX_DIR) + "\\";
    PrintAndMeasure({"models\\pl01", "models\\br01"}, 1.25, 1.1);
}
