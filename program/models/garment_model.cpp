#include "models/garment_model.h"

#include <algorithm>

#include "models/garment_file.h"
#include "settings/text_helpers.h"

namespace {

// Pieces without a fabric drum are painted black, as the drum paints "none".
class BlackFabric : public FabricSource {
public:
    void FillWithFabric(PatternBitmap& bitmap, int) override {
        bitmap.SetBrushColour(PatternBlack);
        bitmap.FillRect(0, 0, bitmap.Width(), bitmap.Height());
    }
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

class WaitScope {
public:
    explicit WaitScope(ModelHost& host) : host_(host) { host_.BeginWait(); }
    ~WaitScope() { host_.EndWait(); }

private:
    ModelHost& host_;
};

}  // namespace

TModel::TModel(ModelHost& host, const std::string& fileName, FabricSource* brushSelect, int viewWidth, int viewHeight,
               TTypeShow showType, const std::string& section, ModelStore* registry)
    : FileName(fileName),
      ViewWidth(viewWidth),
      ViewHeight(viewHeight),
      ShowType(showType),
      BrushSelect(brushSelect),
      host_(host) {
    std::unique_ptr<std::istream> file = host.OpenText(fileName + ".mdl");
    if (!file) throw ModelFileError("Cannot open file \"" + fileName + ".mdl\"");
    std::string line;
    std::getline(*file, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    GarmentTitle title = ParseGarmentTitle(line);
    Title = std::move(title.Title);
    ModelWidth = title.ModelWidth;
    ModelHeight = title.ModelHeight;
    OtherDollFrame = title.OtherDollFrame;
    Incompatible = std::move(title.Incompatible);

    // Any number of pieces: the fills follow the list, not a fixed buffer.
    while (!TDetal::AtEndOfPieces(*file))
        Pieces.push_back(std::make_unique<TDetal>(*file, MaterialFromStored(StoredNoFabric), ScaleX, ScaleY));

    std::vector<std::uint8_t> stored;
    if (registry && registry->ReadBinary(section, FillsValueName(FileName), stored)) {
        const std::vector<std::uint8_t> fills = FitFillBytes(stored, Pieces.size());
        for (std::size_t i = 0; i < Pieces.size(); ++i) Pieces[i]->SetMaterial(MaterialFromStored(fills[i]));
    }
    Sheet.reset(host_.NewSheetBitmap());
    ComputeScale();
}

TModel::~TModel() = default;

void TModel::ComputeScale() {
    const SheetFit fit = FitSheet(ViewWidth, ViewHeight, ModelWidth, ModelHeight);
    ScaleX = fit.ScaleX;
    ScaleY = fit.ScaleY;
    OffsetX = fit.OffsetX;
    OffsetY = fit.OffsetY;
}

void TModel::SetShowType(TTypeShow value) {
    if (value == ShowType) return;
    ShowType = value;
    RenderSheet();
}

void TModel::RenderSheet() {
    if (ShowType == tsUnVisible) {
        Sheet->SetSize(0, 0);
        for (auto& piece : Pieces) piece->Render(nullptr, tsUnVisible, BrushSelect);
        return;
    }
    ComputeScale();
    const int w = MulRound(ModelWidth, ScaleX), h = MulRound(ModelHeight, ScaleY);
    Sheet->SetSize(w, h);
    Sheet->SetPenStyle(PenStyle::Solid);
    Sheet->SetPenColour(PatternWhite);
    Sheet->SetPenWidth(0);
    Sheet->SetBrushColour(PatternWhite);
    Sheet->Rectangle(0, 0, w, h);
    // Each piece AND-combined at its place, so white never covers what an
    // earlier piece drew.
    std::unique_ptr<PatternBitmap> scratch(Sheet->NewBitmap());
    for (auto& piece : Pieces) {
        piece->SheetWidth = w;
        piece->SheetHeight = h;
        piece->Render(scratch.get(), ShowType, BrushSelect);
        const Raster drawn = RasterOf(*scratch);
        const int left = piece->ScreenLeft(), top = piece->ScreenTop();
        for (int y = 0; y < drawn.Height; ++y)
            for (int x = 0; x < drawn.Width; ++x) {
                const int sx = left + x, sy = top + y;
                if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                const PatternColour c = ToPattern(drawn.At(x, y));
                if (c != PatternWhite) Sheet->SetPixel(sx, sy, Sheet->Pixel(sx, sy) & c);
            }
    }
}

void TModel::Refresh(bool oneSide, bool front) {
    RenderSheet();
    ComposePreview();
    if (oneSide) {
        if (front) {
            ComposeFront();
            FreeBack();
        } else {
            ComposeBack();
            FreeFront();
        }
    } else if (front) {
        ComposeFront();
        ComposeBack();
    } else {
        FreeFront();
        FreeBack();
    }
}

std::string TModel::PicturePath(const char* suffix) const {
    std::string base = FileName;
    if (base.size() >= 4 && Upper(base.substr(base.size() - 4)) == ".MDL") base.resize(base.size() - 4);
    return base + suffix;
}

RasterBitmap& TModel::Picture() {
    if (!picture_) {
        picture_ = std::make_unique<RasterBitmap>();
        WaitScope wait(host_);
        host_.LoadPicture(PicturePath(".bmp"), *picture_);
    }
    return *picture_;
}

RasterBitmap& TModel::PreviewPicture() {
    if (!preview_) {
        preview_ = std::make_unique<RasterBitmap>();
        WaitScope wait(host_);
        host_.LoadPicture(PicturePath("v.bmp"), *preview_);
    }
    return *preview_;
}

void TModel::FreePictures() {
    picture_.reset();
    preview_.reset();
    front_.reset();
    back_.reset();
    previewComposite_.reset();
}

FabricSource& TModel::Fabrics() {
    static BlackFabric black;
    return BrushSelect ? *BrushSelect : black;
}

void TModel::ComposeSide(PatternBitmap& source, int quarterX, Raster& target, int h, int w) {
    WaitScope wait(host_);
    RasterBitmap composed(Raster(w, h));
    if (source.Width() > 0 && source.Height() > 0) {
        // The keys and the no-group colour are the legend of the model's
        // picture, also when the hit map is the preview's.
        RasterBitmap& legend = Picture();
        const PatternColour noGroup = legend.Pixel(0, 2);
        for (std::size_t i = 0; i < Pieces.size(); ++i) {
            const PatternColour key = legend.Pixel(static_cast<int>(i), 0);
            if (key == RasterNoPixel || key == noGroup) continue;
            Pieces[i]->PaintIntoDoll(source, quarterX, w, h, composed, key, Fabrics());
        }
        Raster shade = RasterOf(source, quarterX, 0, w, h);
        for (int y = 0; y < 2 && y < shade.Height; ++y)
            for (int x = 0; x < shade.Width; ++x) shade.Set(x, y, RasterWhite);
        ApplyShadeMap(composed.Image, shade);
    }
    target = std::move(composed.Image);
}

void TModel::ComposeFront() {
    RasterBitmap& source = Picture();
    const int quarter = source.Width() / 4;
    if (!front_) front_ = std::make_unique<Raster>();
    ComposeSide(source, 0, *front_, source.Height(), quarter);
    if (!host_.BigMemory()) picture_.reset();
}

void TModel::ComposeBack() {
    RasterBitmap& source = Picture();
    const int quarter = source.Width() / 4;
    if (!back_) back_ = std::make_unique<Raster>();
    ComposeSide(source, quarter * 2, *back_, source.Height(), quarter);
    if (!host_.BigMemory()) picture_.reset();
}

void TModel::ComposePreview() {
    RasterBitmap& source = PreviewPicture();
    if (!previewComposite_) previewComposite_ = std::make_unique<Raster>();
    ComposeSide(source, 0, *previewComposite_, source.Height(), source.Width() / 2);
    if (!host_.BigMemory()) {
        preview_.reset();
        picture_.reset();
    }
}

const Raster& TModel::FrontPicture() {
    if (!front_) ComposeFront();
    return *front_;
}

const Raster& TModel::BackPicture() {
    if (!back_) ComposeBack();
    return *back_;
}

const Raster& TModel::PreviewImage() {
    if (!previewComposite_) ComposePreview();
    return *previewComposite_;
}

int TModel::PieceByKey(PatternBitmap& canvas, PatternColour colour) {
    const int count = std::min<int>(static_cast<int>(Pieces.size()), canvas.Width());
    for (int i = 0; i < count; ++i)
        if (canvas.Pixel(i, 0) == colour) return i;
    return -1;
}

int TModel::PieceAtFront(int x, int y) {
    RasterBitmap& picture = Picture();
    const int quarter = picture.Width() / 4;
    // Only points on the front's own quarter: another quarter holds other keys.
    if (quarter == 0 || x < 0 || x >= quarter || y < 0 || y >= picture.Height()) return -1;
    return PieceByKey(picture, picture.Pixel(x + quarter, y));
}

int TModel::PieceAtBack(int x, int y) {
    RasterBitmap& picture = Picture();
    const int quarter = picture.Width() / 4;
    if (quarter == 0 || x < 0 || x >= quarter || y < 0 || y >= picture.Height()) return -1;
    return PieceByKey(picture, picture.Pixel(x + quarter * 3, y));
}

int TModel::PieceAtPreview(int x, int y) {
    RasterBitmap& preview = PreviewPicture();
    const int half = preview.Width() / 2;
    if (half == 0 || x < 0 || x >= half || y < 0 || y >= preview.Height()) return -1;
    return PieceByKey(Picture(), preview.Pixel(x + half, y));
}

int TModel::PieceAtSheet(int x, int y) {
    for (std::size_t i = 0; i < Pieces.size(); ++i)
        if (Pieces[i]->HitTest(x, y)) return static_cast<int>(i);
    return -1;
}

int TModel::ToUnitsX(int px) const { return DivRound(px, ScaleX); }
int TModel::ToUnitsY(int px) const { return DivRound(px, ScaleY); }

bool TModel::Fill(int piece, int fill, bool front, bool oneSide, bool all) {
    if (piece < 0 || piece >= static_cast<int>(Pieces.size())) return false;
    Pieces[piece]->SetMaterial(fill);
    if (all) {
        for (auto& p : Pieces) p->SetMaterial(fill);
    } else {
        RasterBitmap& picture = Picture();
        const PatternColour group = picture.Pixel(piece, 1), noGroup = picture.Pixel(0, 2);
        if (group != noGroup && group != RasterNoPixel)
            for (std::size_t i = 0; i < Pieces.size(); ++i)
                if (picture.Pixel(static_cast<int>(i), 1) == group) Pieces[i]->SetMaterial(fill);
    }
    Refresh(oneSide, front);
    return true;
}

void TModel::SaveFills(ModelStore& registry, const std::string& section) const {
    std::vector<std::uint8_t> bytes;
    for (const auto& piece : Pieces) bytes.push_back(StoredMaterial(piece->Material));
    registry.WriteBinary(section, FillsValueName(FileName), bytes);
}

void TModel::PrintPieces(PatternPrinter& printer, PrintStatus* label, double printScaleX, double printScaleY, int y) {
    int x = 0, rowBottom = y;
    for (auto& piece : Pieces) piece->PrintPiece(printer, x, y, rowBottom, label, printScaleX, printScaleY);
}

void TModel::PrintPatterns(PatternJob& job, PrintStatus* label, double printScaleX, double printScaleY) {
    PatternPrinter& printer = job.Printer();
    job.BeginDoc();
    try {
        if (label) label->SetText("Preparing page " + std::to_string(printer.PageNumber()));
        PatternCanvas& canvas = printer.Canvas();
        canvas.MoveTo(0, 0);
        job.SetPrintFont(20);
        int y = MillimetresToDots(0, 0, printer.DotsPerInchX(), printer.DotsPerInchY()).y;
        canvas.TextOut((printer.PageWidth() - canvas.TextWidth(Title)) / 2, y, Title);
        y += canvas.TextHeight(Title);
        y = job.PrintDescription(FileName, y);
        job.SetPrintFont(10);
        PrintPieces(printer, label, printScaleX, printScaleY, y);
    } catch (...) {
        if (label) label->SetText("");
        job.EndDoc();
        throw;
    }
    if (label) label->SetText("");
    job.EndDoc();
}

bool ModelsCompatible(const TModel& a, const TModel& b) {
    return TitlesCompatible(a.Incompatible, a.FileName, b.Incompatible, b.FileName);
}
