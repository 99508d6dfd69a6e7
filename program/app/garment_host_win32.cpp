#include "app/garment_host_win32.h"

#include <cstring>
#include <fstream>

#include "bitmap.h"
#include "controls/wait_cursor.h"
#include "picture/kora_win32.h"
#include "printers.h"
#include "rtf/rtf_view_win32.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "sysutils.h"

namespace {

// A top-down 32-bit DIB header of the size.
BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// 0x00BBGGRR colours and the DIB's blue-green-red-x bytes.
std::uint32_t SwapRedBlue(std::uint32_t c) { return (c & 0x00FF00) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF); }

}  // namespace

void TRegIniFileM::ReadBinary(const std::string& section, const std::string& name, int size, void* buffer) {
    std::vector<std::uint8_t> bytes;
    if (size <= 0 || !ReadBinary(section, name, bytes)) return;
    std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(size)));
}

bool TRegIniFileM::ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(CurrentKey(), section.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, length = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &length);
    bool found = false;
    if (status == ERROR_SUCCESS) {
        if (type != REG_BINARY && type != REG_NONE) {
            RegCloseKey(key);
            throw ERegistryException(FormatMessage1("Invalid data type for '%s'", name));
        }
        bytes.assign(length, 0);
        status = RegQueryValueExA(key, name.c_str(), nullptr, &type, bytes.data(), &length);
        found = status == ERROR_SUCCESS;
        bytes.resize(found ? length : 0);
    }
    RegCloseKey(key);
    return found;
}

void TRegIniFileM::WriteBinary(const std::string& section, const std::string& name, int size, const void* buffer) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(CurrentKey(), section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw ERegistryException(FormatMessage1("Failed to set data for '%s'", name));
    const LONG status = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(buffer),
                                       static_cast<DWORD>(size < 0 ? 0 : size));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw ERegistryException(FormatMessage1("Failed to set data for '%s'", name));
}

void TRegIniFileM::WriteBinary(const std::string& section, const std::string& name,
                               const std::vector<std::uint8_t>& bytes) {
    WriteBinary(section, name, static_cast<int>(bytes.size()), bytes.data());
}

std::unique_ptr<std::istream> ProgramModelHost::OpenText(const std::string& relativeName) {
    auto file = std::make_unique<std::ifstream>(ResolveProgramPath(relativeName));
    if (!*file) return nullptr;
    return file;
}

void ProgramModelHost::LoadPicture(const std::string& relativeName, RasterBitmap& picture) {
    TBitmap bitmap;
    try {
        LoadProgramPicture(bitmap, relativeName);
    } catch (const Exception&) {
        // A missing or unreadable picture leaves the model without it.
        bitmap.Clear();
    }
    picture.Image = RasterOfBitmap(bitmap);
}

PatternBitmap* ProgramModelHost::NewSheetBitmap() { return new RasterBitmap; }

bool ProgramModelHost::BigMemory() { return ::BigMemory; }

std::vector<std::string> ProgramModelHost::FindFiles(const std::string& relativeMask) {
    std::vector<std::string> names;
    TSearchRec found;
    if (FindFirst(ResolveProgramPath(relativeMask), faReadOnly, found) != 0) return names;
    do {
        if (!(found.Attr & faDirectory)) names.push_back(found.Name);
    } while (FindNext(found) == 0);
    FindClose(found);
    return names;
}

void ProgramModelHost::BeginWait() { BeginWaitCursor(); }
void ProgramModelHost::EndWait() { EndWaitCursor(); }

Raster RasterOfBitmap(TBitmap& bitmap) {
    if (bitmap.Empty()) return Raster();
    Raster raster(bitmap.Width(), bitmap.Height());
    BITMAPINFO info = TopDown32(raster.Width, raster.Height);
    HDC screen = GetDC(nullptr);
    HBITMAP handle = bitmap.Handle();
    const int rows = GetDIBits(screen, handle, 0, raster.Height, raster.Pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != raster.Height) return Raster();
    for (std::uint32_t& c : raster.Pixels) c = SwapRedBlue(c) & 0xFFFFFF;
    return raster;
}

void RasterToBitmap(const Raster& raster, TBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(raster.Width, raster.Height);
    if (raster.Empty()) return;
    for (int y = 0; y < raster.Height; ++y) {
        auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
        if (!row) return;
        for (int x = 0; x < raster.Width; ++x) {
            const std::uint32_t c = raster.At(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c);
        }
    }
    bitmap.Changed();
}

void PaintRaster(HDC dc, int x, int y, const Raster& raster) {
    if (raster.Empty()) return;
    std::vector<std::uint32_t> pixels(raster.Pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = SwapRedBlue(raster.Pixels[i]);
    BITMAPINFO info = TopDown32(raster.Width, raster.Height);
    SetDIBitsToDevice(dc, x, y, raster.Width, raster.Height, 0, 0, 0, raster.Height, pixels.data(), &info,
                      DIB_RGB_COLORS);
}

void ProgramPatternJob::BeginDoc() { ::Printer()->BeginDoc(); }
void ProgramPatternJob::EndDoc() { ::Printer()->EndDoc(); }

void ProgramPatternJob::SetPrintFont(int points) {
    TCanvas* canvas = ::Printer()->Canvas();
    SetBkMode(canvas->Handle(), TRANSPARENT);
    canvas->Font()->SetName(PatternFontName);
    canvas->Font()->SetSize(points);
}

int ProgramPatternJob::PrintDescription(const std::string& fileName, int y) {
    // Print margins of 5 mm left and right.
    view_.View().LoadDescription(fileName, PatternFontName, 5);
    return view_.View().PrintFrom(y);
}

void PrintPatterns(TModel& model, TrtfViewWindow& descriptionView, TControl* label, double printScaleX,
                   double printScaleY) {
    ProgramPatternJob job(descriptionView);
    std::unique_ptr<ControlPrintStatus> status;
    if (label) status = std::make_unique<ControlPrintStatus>(*label);
    model.PrintPatterns(job, status.get(), printScaleX, printScaleY);
}
