// A garment model read from a .mdl text over any bytes: the title line and
// its pieces, the save slot's fills (from the last bytes), then the sheet,
// the three composed pictures, hit tests and fills over a small picture.
// A malformed file ends with ConvertError; nothing may crash, hang or grow
// without bound.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "models/garment_model.h"
#include "settings/text_helpers.h"

namespace {

class Store : public ModelStore {
public:
    std::vector<std::uint8_t> Fills;
    bool ReadBinary(const std::string&, const std::string&, std::vector<std::uint8_t>& bytes) override {
        bytes = Fills;
        return true;
    }
    void WriteBinary(const std::string&, const std::string&, const std::vector<std::uint8_t>& bytes) override {
        Fills = bytes;
    }
};

class Host : public ModelHost {
public:
    std::string Text;
    std::unique_ptr<std::istream> OpenText(const std::string&) override {
        return std::make_unique<std::istringstream>(Text);
    }
    // A small two-sided picture: shade on the left half, hit colours on the right.
    void LoadPicture(const std::string&, RasterBitmap& picture) override {
        Raster r(64, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) r.Set(x, y, RasterRGB(x * 4, y * 8, (x ^ y) & 1 ? 255 : 0));
        picture.Image = r;
    }
    PatternBitmap* NewSheetBitmap() override { return new RasterBitmap; }
    bool BigMemory() override { return false; }
    std::vector<std::string> FindFiles(const std::string&) override { return {}; }
};

class Fabrics : public FabricSource {
public:
    void FillWithFabric(PatternBitmap& bitmap, int n) override {
        bitmap.SetBrushColour(PatternRGB(n & 0xFF, 90, 200));
        bitmap.FillRect(0, 0, bitmap.Width(), bitmap.Height());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > (16 << 10)) return 0;
    Host host;
    host.Text.assign(reinterpret_cast<const char*>(data), size - 1);
    Store store;
    store.Fills.assign(data + size - 1 - std::min<size_t>(size - 1, data[size - 1] % 8), data + size - 1);
    Fabrics fabrics;
    try {
        TModel model(host, "models\\pl01", &fabrics, 160, 120, data[size - 1] & 8 ? tsContur : tsFill, "Slot", &store);
        model.Refresh(false, true);
        for (int i = 0; i < 4; ++i) {
            const int x = (i * 37) % 64, y = (i * 11) % 32;
            model.PieceAtFront(x, y);
            model.PieceAtBack(x, y);
            model.PieceAtPreview(x, y);
            model.PieceAtSheet(x * 2, y * 3);
        }
        if (!model.Pieces.empty()) model.Fill(0, 3, true, true, data[0] & 1);
        model.SaveFills(store, "Slot");
        if (store.Fills.size() != model.Pieces.size()) __builtin_trap();
    } catch (const ConvertError&) {}
    return 0;
}
