#include "models/pattern_piece.h"

#include <algorithm>

#include "settings/text_helpers.h"

namespace {

// A piece split over more pages than this is a broken header or factor,
// not a garment: at 300 dpi it would be over 14 metres long.
constexpr int MaxPrintPages = 50;

bool ReadLine(std::istream& file, std::string& line) {
    if (!std::getline(file, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

int ClampPixels(int v) { return std::clamp(v, 0, MaxPiecePixels); }

}  // namespace

int MaterialFromStored(std::uint8_t stored) { return stored == StoredNoFabric ? -1 : stored; }

std::uint8_t StoredMaterial(int material) {
    return material < 0 || material >= StoredNoFabric ? StoredNoFabric : static_cast<std::uint8_t>(material);
}

PrinterSize MillimetresToDots(double wmm, double hmm, int dpiX, int dpiY) {
    return PrinterSize{RoundHalfEven(dpiX * (static_cast<long double>(wmm) / 25.4L)),
                       RoundHalfEven(dpiY * (static_cast<long double>(hmm) / 25.4L))};
}

TDetal::TDetal(std::string name, int left, int top, int width, int height, int material, double& scaleX, double& scaleY)
    : Name(std::move(name)),
      ScaleX(scaleX),
      ScaleY(scaleY),
      Left(left),
      Top(top),
      Width(width),
      Height(height),
      Material(material) {}

TDetal::TDetal(std::istream& file, int material, double& scaleX, double& scaleY)
    : ScaleX(scaleX), ScaleY(scaleY), Material(material) {
    // Header: name(left,top,width,height), the ")" optional. Blank lines
    // before it (a file ending in an empty line) are skipped.
    std::string line;
    bool found = false;
    while (ReadLine(file, line))
        if (!IsBlank(line)) {
            found = true;
            break;
        }
    if (!found) line.clear();
    TrimInitialBlanks(line);
    size_t open = line.find('(');
    Name = line.substr(0, open);
    std::string numbers = open == std::string::npos ? std::string() : line.substr(open + 1);
    while (!numbers.empty() && (numbers.back() == ' ' || numbers.back() == '\t')) numbers.pop_back();
    if (!numbers.empty() && numbers.back() == ')') numbers.pop_back();
    Left = ReadInteger(WordAt(1, numbers, CommaSet));
    Top = ReadInteger(WordAt(2, numbers, CommaSet));
    Width = ReadInteger(WordAt(3, numbers, CommaSet));
    Height = ReadInteger(WordAt(4, numbers, CommaSet));

    // Body: primitive lines up to a line starting with "}"; other lines
    // (empty ones too) are ignored.
    while (ReadLine(file, line)) {
        TrimInitialBlanks(line);
        if (!line.empty() && line[0] == '}') break;
        if (std::unique_ptr<TPrimitiv> primitive = ParsePrimitive(line)) Primitives.push_back(std::move(primitive));
    }
}

TDetal::~TDetal() = default;

bool TDetal::AtEndOfPieces(std::istream& file) {
    for (;;) {
        int c = file.peek();
        if (c == std::char_traits<char>::eof()) return true;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
        file.get();
    }
}

std::string TDetal::DisplayName() const {
    if (Name.size() >= 2 && Name[0] == '!' && (Name[1] == 'r' || Name[1] == 'x' || Name[1] == 'y'))
        return Name.substr(2);
    return Name;
}

int TDetal::ScreenLeft() const { return MulRound(Left, ScaleX); }
int TDetal::ScreenTop() const { return MulRound(Top, ScaleY); }
int TDetal::ScreenWidth() const { return std::min(ClampPixels(MulRound(Width, ScaleX)), std::max(SheetWidth, 0)); }
int TDetal::ScreenHeight() const { return std::min(ClampPixels(MulRound(Height, ScaleY)), std::max(SheetHeight, 0)); }

void TDetal::Render(PatternBitmap* bitmap, TTypeShow mode, FabricSource* drum) {
    if (mode == tsUnVisible) {
        if (Mask) Mask->SetSize(0, 0);
        return;
    }
    if (!bitmap) return;
    bitmap->SetPatternFont(8);
    int w = ScreenWidth(), h = ScreenHeight();
    if (!Mask) Mask.reset(bitmap->NewBitmap());
    bitmap->SetSize(w, h);
    Mask->SetSize(w, h);
    std::string name = DisplayName();
    switch (mode) {
        case tsEdit:
            bitmap->SetPenStyle(PenStyle::Solid);
            bitmap->SetBrushColour(PatternPaper);
            bitmap->SetPenColour(PatternFrame);
            bitmap->SetPenWidth(0);
            bitmap->Rectangle(0, 0, w, h);
            bitmap->SetBrushClear();
            for (auto& primitive : Primitives) primitive->Draw(*bitmap, tsEdit, false, 0, 0, ScaleX, ScaleY, name);
            DrawPointMarker(*bitmap, TXY(2, 2), 0, 0, ScaleX, ScaleY);
            break;
        case tsContur:
            bitmap->SetPenStyle(PenStyle::Solid);
            bitmap->SetBrushColour(PatternWhite);
            bitmap->FillRect(0, 0, w, h);
            bitmap->SetPenColour(PatternBlack);
            bitmap->SetPenWidth(0);
            bitmap->SetBrushClear();
            for (auto& primitive : Primitives) primitive->Draw(*bitmap, tsContur, false, 0, 0, ScaleX, ScaleY, name);
            break;
        case tsFill: {
            PatternBitmap& mask = *Mask;
            mask.SetPenStyle(PenStyle::Solid);
            mask.SetBrushColour(PatternWhite);
            mask.FillRect(0, 0, w, h);
            mask.SetPenColour(PatternBlack);
            mask.SetPenWidth(1);
            mask.SetBrushClear();
            for (auto& primitive : Primitives) primitive->Draw(mask, tsFill, false, 0, 0, ScaleX, ScaleY, name);
            mask.SetBrushColour(PatternBlack);
            for (auto& primitive : Primitives)
                if (TXY* seed = primitive->FillPoint())
                    mask.FloodFillToBorder(seed->ScreenX(ScaleX), seed->ScreenY(ScaleY), PatternBlack);
            if (drum) {
                drum->FillWithFabric(*bitmap, Material);
            } else {
                bitmap->SetBrushColour(PatternBlack);
                bitmap->FillRect(0, 0, w, h);
            }
            bitmap->SourcePaint(mask);
            break;
        }
        default:
            break;
    }
}

bool TDetal::HitTest(int x, int y) const {
    long long dx = static_cast<long long>(x) - Left, dy = static_cast<long long>(y) - Top;
    if (dx < 0 || dy < 0 || dx >= Width || dy >= Height || !Mask) return false;
    int px = MulRound(static_cast<int>(dx), ScaleX), py = MulRound(static_cast<int>(dy), ScaleY);
    if (px < 0 || py < 0 || px >= Mask->Width() || py >= Mask->Height()) return false;
    return Mask->Pixel(px, py) == PatternBlack;
}

void TDetal::PaintIntoDoll(PatternBitmap& sheet, int xOffset, int w, int h, PatternBitmap& doll, PatternColour key,
                           FabricSource& drum) {
    if (sheet.Pixel(0, 2) == key || w <= 0 || h <= 0) return;
    // Only the key colour is the piece: white and every other colour of
    // the hit map stay outside it.
    std::unique_ptr<PatternBitmap> shape(sheet.NewBitmap());
    shape->SetSize(w, h);
    shape->ShapeOfColour(sheet, w + xOffset, 0, key);
    std::unique_ptr<PatternBitmap> fabric(sheet.NewBitmap());
    fabric->SetSize(w, h);
    drum.FillWithFabric(*fabric, Material);
    fabric->MergePaint(*shape);
    doll.DrawMasked(*fabric);
}

void TDetal::PrintedMillimetres(double fh, double fv, int& wmm, int& hmm) const {
    double fw = fh, fhgt = fv;
    if (Name.size() >= 2 && Name[0] == '!') {
        if (Name[1] == 'r') std::swap(fw, fhgt);
        if (Name[1] == 'x') fhgt = fh;
        if (Name[1] == 'y') fw = fv;
    }
    wmm = RoundHalfEven(static_cast<long double>(Width) * fw);
    hmm = RoundHalfEven(static_cast<long double>(Height) * fhgt);
}

void TDetal::PrintPiece(PatternPrinter& printer, int& x, int& y, int& rowBottom, PrintStatus* status, double fh,
                        double fv) {
    int wmm = 0, hmm = 0;
    PrintedMillimetres(fh, fv, wmm, hmm);
    PrinterSize size = MillimetresToDots(wmm, hmm, printer.DotsPerInchX(), printer.DotsPerInchY());
    int pw = size.x, ph = size.y;
    // A piece without extent has nothing to print (and its per-unit
    // factors would divide by zero).
    if (Width <= 0 || Height <= 0 || pw <= 0 || ph <= 0) return;
    int pageWidth = printer.PageWidth(), pageHeight = printer.PageHeight();

    auto nextPage = [&] {
        if (status) status->SetText("Print page " + std::to_string(printer.PageNumber()));
        printer.NewPage();
        if (status) status->SetText("Prepare page " + std::to_string(printer.PageNumber()));
        x = y = rowBottom = 0;
    };

    if (static_cast<long long>(x) + pw > pageWidth) {
        x = 0;
        y = rowBottom;
    }
    // A new page only when this one holds something: a piece taller than
    // a page starts at the top of the current, empty page.
    if (static_cast<long long>(y) + ph > pageHeight && (x > 0 || y > 0)) nextPage();

    // Taller than a page (then x = y = 0 here): the piece continues on
    // the next pages, each part drawn with the origin moved up by the
    // height of the pages already filled.
    int parts = 1;
    if (pageHeight > 0 && ph > pageHeight)
        parts = static_cast<int>(std::min<long long>((ph + pageHeight - 1LL) / pageHeight, MaxPrintPages));
    double kx = static_cast<double>(pw) / Width, ky = static_cast<double>(ph) / Height;
    std::string name = DisplayName();
    for (int part = 0; part < parts; ++part) {
        if (part > 0) nextPage();
        PatternCanvas& canvas = printer.Canvas();
        for (auto& primitive : Primitives)
            primitive->Draw(canvas, tsContur, true, x, y - part * pageHeight, kx, ky, name);
    }
    int bottom = parts > 1 ? std::min(ph - (parts - 1) * pageHeight, pageHeight) : y + ph;
    x += pw;
    rowBottom = std::max(rowBottom, bottom);
}
