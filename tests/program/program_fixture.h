// Shared set-up of the program's tests: the framework once per process,
// 24-bit bitmaps and their pixels.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "application.h"
#include "bitmap.h"
#include "settings/settings.h"

// (Again after a test that ran the program's main block, which finalises it.)
inline void EnsureFramework() {
    InitSettings();
    if (!Application) InitializeFramework();
}

inline std::unique_ptr<TBitmap> MakeBitmap(int width, int height, TColor fill) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(fill);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(RECT{0, 0, width, height});
    return bitmap;
}

inline TColor PixelAt(TBitmap& bitmap, int x, int y) { return bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF; }

inline std::string Hex(TColor c) {
    char text[16];
    snprintf(text, sizeof text, "%06X", static_cast<unsigned>(c) & 0xFFFFFF);
    return text;
}

// Unix path of a file for the Windows side (Wine's Z: drive).
inline std::string WinPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
