// Surroundings of a garment model in a test: files and pictures in memory
// or read from a folder (pictures through the library), a save-slot store
// and a fabric source of plain colours.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "host_tools.h"
#include "models/doll_panel.h"
#include "models/garment_model.h"
#include "volkg.h"

// Fabric n is the plain colour FabricColour(n); none paints black.
inline PatternColour FabricColour(int n) { return PatternRGB(20 + n, 200 - n, 90); }

class PlainFabrics : public FabricSource {
public:
    int Fills = 0;
    void FillWithFabric(PatternBitmap& bitmap, int n) override {
        ++Fills;
        bitmap.SetBrushColour(n < 0 ? PatternBlack : FabricColour(n));
        bitmap.FillRect(0, 0, bitmap.Width(), bitmap.Height());
    }
};

class MemoryStore : public ModelStore {
public:
    std::map<std::string, std::vector<std::uint8_t>> Values;  // "section/name"
    bool ReadBinary(const std::string& section, const std::string& name, std::vector<std::uint8_t>& bytes) override {
        auto it = Values.find(section + "/" + name);
        if (it == Values.end()) return false;
        bytes = it->second;
        return true;
    }
    void WriteBinary(const std::string& section, const std::string& name,
                     const std::vector<std::uint8_t>& bytes) override {
        Values[section + "/" + name] = bytes;
    }
};

// Pictures loaded through the library as 24-bit rows, top row first.
inline bool LoadRaster(const std::string& path, Raster& out) {
    RecordGuard r;
    if (K_LoadBitmap(path.c_str(), r.get(), 24, 1) != K_OK) return false;
    BitmapRecord* b = r.get();
    out = Raster(b->Width, b->Height);
    std::vector<unsigned char> row(static_cast<size_t>(b->BytesPerLine));
    K_AccessBitmap(b);
    for (int y = 0; y < b->Height; ++y) {
        const int stored = b->ViewPerspective == K_BOTTOM_UP ? b->Height - 1 - y : y;
        K_GetBitmapRow(b, row.data(), stored, b->BytesPerLine);
        for (int x = 0; x < b->Width; ++x) {
            const unsigned char* p = &row[static_cast<size_t>(x) * 3];
            out.Set(x, y, RasterRGB(p[2], p[1], p[0]));  // blue-green-red
        }
    }
    K_ReleaseBitmap(b);
    return true;
}

class MemorySlots : public SlotStore {
public:
    std::map<std::string, int> Values;
    int ReadInteger(const std::string& section, const std::string& name, int fallback) override {
        auto it = Values.find(section + "/" + name);
        return it == Values.end() ? fallback : it->second;
    }
    void WriteInteger(const std::string& section, const std::string& name, int value) override {
        Values[section + "/" + name] = value;
    }
};

class TestHost : public ModelHost {
public:
    std::map<std::string, std::string> Files;  // relative name -> text
    std::map<std::string, Raster> Pictures;    // relative name -> pixels
    std::string Folder;                        // read from here when set ("\" becomes "/")
    bool KeepPictures = false;
    int PictureLoads = 0, Waits = 0;

    std::string OnDisk(const std::string& relative) const {
        std::string path = Folder + "/" + relative;
        for (char& c : path)
            if (c == '\\') c = '/';
        return path;
    }
    std::unique_ptr<std::istream> OpenText(const std::string& relativeName) override {
        if (!Folder.empty()) {
            auto file = std::make_unique<std::ifstream>(OnDisk(relativeName));
            if (!*file) return nullptr;
            return file;
        }
        auto it = Files.find(relativeName);
        if (it == Files.end()) return nullptr;
        return std::make_unique<std::istringstream>(it->second);
    }
    void LoadPicture(const std::string& relativeName, RasterBitmap& picture) override {
        ++PictureLoads;
        if (!Folder.empty()) {
            if (!LoadRaster(OnDisk(relativeName), picture.Image)) picture.Image.Clear();
            return;
        }
        auto it = Pictures.find(relativeName);
        picture.Image = it == Pictures.end() ? Raster() : it->second;
    }
    // Names in this order when set (a folder's own order otherwise).
    std::vector<std::string> FindOrder;
    std::vector<std::string> FindFiles(const std::string& relativeMask) override {
        const std::size_t star = relativeMask.find('*'), slash = relativeMask.rfind('\\');
        const std::string folder = relativeMask.substr(0, slash + 1);
        const std::string prefix = relativeMask.substr(slash + 1, star - slash - 1),
                          suffix = relativeMask.substr(star + 1);
        std::vector<std::string> names;
        if (!FindOrder.empty()) {
            names = FindOrder;
        } else if (!Folder.empty()) {
            for (const auto& e : std::filesystem::directory_iterator(OnDisk(folder)))
                names.push_back(e.path().filename().string());
        } else {
            for (const auto& [name, text] : Files)
                if (name.compare(0, folder.size(), folder) == 0) names.push_back(name.substr(folder.size()));
        }
        std::vector<std::string> found;
        for (const std::string& n : names)
            if (n.size() >= prefix.size() + suffix.size() && n.compare(0, prefix.size(), prefix) == 0 &&
                n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
                found.push_back(n);
        return found;
    }
    PatternBitmap* NewSheetBitmap() override { return new RasterBitmap; }
    bool BigMemory() override { return KeepPictures; }
    void BeginWait() override { ++Waits; }
};
