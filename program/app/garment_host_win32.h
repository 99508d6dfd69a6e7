// The garment models' surroundings in the program: the program folder's
// files and pictures, new sheets, the wait cursor and the BigMemory setting,
// handed to the garment components at start-up.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "models/garment_model.h"

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

// Gives the garment components the program's host (GarmentModelHost); the
// program's start calls it before the main window is made.
void ConnectGarmentHost();
