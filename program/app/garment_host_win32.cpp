#include "app/garment_host_win32.h"

#include <fstream>

#include "bitmap.h"
#include "controls/garment_components_win32.h"
#include "controls/raster_dib_win32.h"
#include "controls/wait_cursor.h"
#include "models/raster_bitmap.h"
#include "picture/kora_win32.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "sysutils.h"

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

void ConnectGarmentHost() {
    static ProgramModelHost host;
    GarmentModelHost = &host;
}
