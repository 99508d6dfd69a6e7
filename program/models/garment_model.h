// A garment of one category: read from its .mdl file, it owns its pattern
// pieces, its two pictures (front/back shades and hit maps, the preview),
// the pictures composed from them with the fabrics on the pieces, and the
// pattern sheet. It answers which piece lies under a point, fills pieces,
// and keeps the fabric of each piece in a save slot.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "models/pattern_piece.h"
#include "models/raster.h"
#include "models/raster_bitmap.h"

// The save slots' binary values (the registry on Windows).
class ModelStore {
public:
    virtual ~ModelStore() = default;
    // The whole value, whatever its length; false when the section or the
    // value is missing.
    virtual bool ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) = 0;
    virtual void WriteBinary(const std::string& section, const std::string& name,
                             const std::vector<std::uint8_t>& bytes) = 0;
};

// What a model needs of the program around it.
class ModelHost {
public:
    virtual ~ModelHost() = default;
    // The program-relative file ("models\pl01.mdl") opened as text; null
    // when it cannot be opened.
    virtual std::unique_ptr<std::istream> OpenText(const std::string& relativeName) = 0;
    // Loads the program-relative picture; a missing or unreadable file
    // leaves the picture empty.
    virtual void LoadPicture(const std::string& relativeName, RasterBitmap& picture) = 0;
    // A bitmap for the pattern sheet and its scratch pieces (empty).
    virtual PatternBitmap* NewSheetBitmap() = 0;
    // Keep the model pictures loaded after composing.
    virtual bool BigMemory() = 0;
    // Names (without folder) of the plain and read-only files matching the
    // program-relative mask ("models\wn*.mdl"), in the order the folder
    // lists them.
    virtual std::vector<std::string> FindFiles(const std::string& relativeMask) = 0;
    virtual void BeginWait() {}
    virtual void EndWait() {}
};

// Raised when a model file cannot be opened.
class ModelFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A print job of a model's patterns: the printer and what is printed
// besides the pieces.
class PatternJob {
public:
    virtual ~PatternJob() = default;
    virtual PatternPrinter& Printer() = 0;
    virtual void BeginDoc() = 0;
    virtual void EndDoc() = 0;
    // The print font at the size in points, transparent background, on the
    // current page.
    virtual void SetPrintFont(int points) = 0;
    // The model's description printed from y on; the y where it ended.
    virtual int PrintDescription(const std::string& fileName, int y) = 0;
};

class TModel {
public:
    std::string Title;
    // The path without extension as the category built it ("models\pl03").
    std::string FileName;
    std::vector<std::string> Incompatible;
    std::vector<std::unique_ptr<TDetal>> Pieces;
    int ViewWidth = 0, ViewHeight = 0;
    double ScaleX = 0, ScaleY = 0;
    int OffsetX = 0, OffsetY = 0;
    int ModelWidth = 0, ModelHeight = 0;
    bool OtherDollFrame = false;
    std::unique_ptr<PatternBitmap> Sheet;
    TTypeShow ShowType = tsUnVisible;
    FabricSource* BrushSelect = nullptr;

    // Reads <fileName>.mdl and the piece fills of the save slot section.
    // Raises ModelFileError when the file cannot be opened, ConvertError for
    // a malformed title line or piece.
    TModel(ModelHost& host, const std::string& fileName, FabricSource* brushSelect, int viewWidth, int viewHeight,
           TTypeShow showType, const std::string& section, ModelStore* registry);
    TModel(const TModel&) = delete;
    TModel& operator=(const TModel&) = delete;
    ~TModel();

    void SetShowType(TTypeShow value);
    void RenderSheet();
    void Refresh(bool oneSide, bool front);
    void ComposeFront();
    void ComposeBack();
    void ComposePreview();
    void FreeFront() { front_.reset(); }
    void FreeBack() { back_.reset(); }
    // Drops both pictures and the three composites.
    void FreePictures();
    void ComputeScale();

    // The composites, composed when absent.
    const Raster& FrontPicture();
    const Raster& BackPicture();
    const Raster& PreviewImage();
    // The pictures, loaded when absent.
    RasterBitmap& Picture();
    RasterBitmap& PreviewPicture();
    bool PictureLoaded() const { return picture_ != nullptr; }
    bool HasFront() const { return front_ != nullptr; }
    bool HasBack() const { return back_ != nullptr; }

    // Piece indices or -1.
    int PieceAtFront(int x, int y);
    int PieceAtBack(int x, int y);
    int PieceAtPreview(int x, int y);
    int PieceAtSheet(int x, int y);
    int PieceByKey(PatternBitmap& canvas, PatternColour colour);

    TDetal* Piece(int i) { return i >= 0 && i < static_cast<int>(Pieces.size()) ? Pieces[i].get() : nullptr; }
    int ToUnitsX(int px) const;
    int ToUnitsY(int px) const;

    // Gives the fabric to the piece and to its group (to every piece with
    // all), then composes the shown side again; false for no piece.
    bool Fill(int piece, int fill, bool front, bool oneSide, bool all);
    // One byte per piece under the model's value name in the section.
    void SaveFills(ModelStore& registry, const std::string& section) const;

    // Prints every piece on the job in progress from (0, y), factors in
    // millimetres per model unit; the caller has printed the title and the
    // description above y and ends the job.
    void PrintPieces(PatternPrinter& printer, PrintStatus* label, double printScaleX, double printScaleY, int y);
    // One print job: the title centred at the top, the description below it,
    // then the pieces. The job ends even when printing fails.
    void PrintPatterns(PatternJob& job, PrintStatus* label, double printScaleX, double printScaleY);

private:
    std::string PicturePath(const char* suffix) const;
    void ComposeSide(PatternBitmap& source, int quarterX, Raster& target, int h, int w);
    FabricSource& Fabrics();
    ModelHost& host_;
    std::unique_ptr<RasterBitmap> picture_, preview_;
    std::unique_ptr<Raster> front_, back_, previewComposite_;
};

bool ModelsCompatible(const TModel& a, const TModel& b);
