// The garment models' surroundings in the program: the registry of the save
// slots, the program folder's files and pictures, and drawing the composed
// pictures (held in memory) onto bitmaps and device contexts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "models/doll_panel.h"
#include "models/garment_model.h"
#include "models/pattern_gdi_win32.h"
#include "registry.h"

class TBitmap;
class TControl;
class TrtfViewWindow;

// The program's registry as an ini file, with binary values in sections.
class TRegIniFileM : public TRegIniFile, public ModelStore, public SlotStore {
public:
    explicit TRegIniFileM(const std::string& fileName) : TRegIniFile(fileName) {}

    // Reads at most size bytes of the value into buffer; a longer value
    // gives its first size bytes (a model whose file now has fewer pieces
    // keeps the fabrics that still fit). Nothing changes when the section or
    // the value is missing. A value that is neither binary nor of unknown
    // type raises ERegistryException "Invalid data type for '%s'".
    void ReadBinary(const std::string& section, const std::string& name, int size, void* buffer);
    // Creates the section when missing and writes size bytes as a binary value.
    void WriteBinary(const std::string& section, const std::string& name, int size, const void* buffer);

    bool ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) override;
    void WriteBinary(const std::string& section, const std::string& name,
                     const std::vector<std::uint8_t>& bytes) override;
    int ReadInteger(const std::string& section, const std::string& name, int fallback) override {
        return TRegIniFile::ReadInteger(section, name, fallback);
    }
    void WriteInteger(const std::string& section, const std::string& name, int value) override {
        TRegIniFile::WriteInteger(section, name, value);
    }
};

// Files relative to the program folder, pictures through the program's
// picture loader, the wait cursor and the BigMemory setting.
class ProgramModelHost : public ModelHost {
public:
    std::unique_ptr<std::istream> OpenText(const std::string& relativeName) override;
    void LoadPicture(const std::string& relativeName, RasterBitmap& picture) override;
    PatternBitmap* NewSheetBitmap() override;
    bool BigMemory() override;
    std::vector<std::string> FindFiles(const std::string& relativeMask) override;
    void BeginWait() override;
    void EndWait() override;
};

// The bitmap's pixels (any depth) as a raster; empty for an empty bitmap.
Raster RasterOfBitmap(TBitmap& bitmap);
// A 24-bit bitmap of the raster's size holding its pixels.
void RasterToBitmap(const Raster& raster, TBitmap& bitmap);
// Paints the raster 1:1 with its top-left at (x, y).
void PaintRaster(HDC dc, int x, int y, const Raster& raster);

// A pattern print job on the framework's printer: the print font, and the
// model's description loaded into the RTF view and printed through it.
class ProgramPatternJob : public PatternJob {
public:
    explicit ProgramPatternJob(TrtfViewWindow& descriptionView) : view_(descriptionView) {}
    PatternPrinter& Printer() override { return printer_; }
    void BeginDoc() override;
    void EndDoc() override;
    void SetPrintFont(int points) override;
    int PrintDescription(const std::string& fileName, int y) override;

private:
    TrtfViewWindow& view_;
    GdiPatternPrinter printer_;
};

// The model's patterns on the default printer; the label (optional) shows
// the progress.
void PrintPatterns(TModel& model, TrtfViewWindow& descriptionView, TControl* label, double printScaleX,
                   double printScaleY);
