// Painting and the transition effects, timed under Wine in a Windows build:
// K_PaintDC of the 4000 x 3000 photo beside one StretchDIBits of the same
// pixels, and every effect over a fixed rectangle (so a fixed step count)
// beside one plain paint of it. Painted into DIB sections: the screen's X
// round trips would swamp what the library does.
#include <windows.h>

#include <string>

#include "bench.h"
#include "devices/effect_pieces.h"

namespace {

// A memory DC with a bottom-up DIB section of a depth selected.
class Section {
public:
    Section(int width, int height, int bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        void* data = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &data, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Section() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;
    HDC dc() const { return dc_; }
    explicit operator bool() const { return bitmap_ != nullptr; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The photo as a 24-bit record stored as a DIB holds it: bottom-up, blue first.
bool PhotoDibRecord(BitmapRecord& r) {
    const bench::Picture& p = bench::Photo();
    int made = K_InitBitmap(&r, p.width, p.height, 24);
    if (made == K_OK) made = K_AllocateBitmap(&r, K_STORAGE_MEMORY);
    if (made != K_OK) {
        bench::Note("the photo record: %d", made);
        return false;
    }
    r.ColorOrder = K_ORDER_BGR;
    r.ViewPerspective = K_BOTTOM_UP;
    std::vector<uint8_t> row(r.BytesPerLine);
    K_AccessBitmap(&r);  // rows go only into mapped storage
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* src = &p.rgb[static_cast<size_t>(y) * p.width * 3];
        for (int x = 0; x < p.width; ++x)
            row[3 * x] = src[3 * x + 2], row[3 * x + 1] = src[3 * x + 1], row[3 * x + 2] = src[3 * x];
        if (K_PutBitmapRow(&r, row.data(), p.height - 1 - y, r.BytesPerLine) != r.BytesPerLine) {
            bench::Note("the photo record's row %d", y);
            return false;
        }
    }
    K_ReleaseBitmap(&r);
    return true;
}

// One StretchDIBits of the record's own rows, as a program without the
// library would paint them; mapped: the storage mapped for the paint and
// let go after it, as the paint of an unlocked record must.
double StretchDibitsMs(BitmapRecord& r, HDC dc, int width, int height, bool mapped = false) {
    if (mapped) {
        SetStretchBltMode(dc, COLORONCOLOR);
        return bench::Median([&] {
            K_AccessBitmap(&r);
            BITMAPINFO info{};
            info.bmiHeader = r.DibHeader;
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biHeight = r.Height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            int lines = StretchDIBits(dc, 0, 0, width, height, 0, 0, r.Width, r.Height, r.DataPointer, &info,
                                      DIB_RGB_COLORS, SRCCOPY);
            GdiFlush();
            K_ReleaseBitmap(&r);
            return lines > 0;
        });
    }
    K_AccessBitmap(&r);
    BITMAPINFO info{};
    info.bmiHeader = r.DibHeader;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = r.Width;
    info.bmiHeader.biHeight = r.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);
    const double ms = bench::Median([&] {
        int lines = StretchDIBits(dc, 0, 0, width, height, 0, 0, r.Width, r.Height, r.DataPointer, &info,
                                  DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        return lines > 0;
    });
    K_ReleaseBitmap(&r);
    return ms;
}

double PaintMs(BitmapRecord& r, HDC dc, int width, int height, bool locked) {
    if (locked) K_AccessBitmap(&r);
    RECT dest{0, 0, width, height};
    SetStretchBltMode(dc, COLORONCOLOR);
    const double ms = bench::Median([&] {
        bool ok = K_PaintDC(dc, &r, nullptr, nullptr, &dest, nullptr, SRCCOPY) == K_OK;
        GdiFlush();
        return ok;
    });
    if (locked) K_ReleaseBitmap(&r);
    return ms;
}

void PaintRows() {
    BitmapRecord r{};
    if (!PhotoDibRecord(r)) {
        bench::Note("no photo record");
        return;
    }
    const int w = r.Width, h = r.Height;
    {
        Section full(w, h, 24);
        if (!full) {
            bench::Note("no 4000 x 3000 section");
            K_FreeBitmap(&r);
            return;
        }
        const double peer = StretchDibitsMs(r, full.dc(), w, h);
        bench::Row("K_PaintDC 4000x3000 24-bit 1:1, locked")
            .Ours(PaintMs(r, full.dc(), w, h, true))
            .Peer("StretchDIBits", peer)
            .Print();
        bench::Row("K_PaintDC 4000x3000 24-bit 1:1, unlocked")
            .Ours(PaintMs(r, full.dc(), w, h, false))
            .Peer("map+StretchDIBits", StretchDibitsMs(r, full.dc(), w, h, true))
            .Print();
    }
    {
        Section half(w / 2, h / 2, 24);
        const double peer = StretchDibitsMs(r, half.dc(), w / 2, h / 2);
        bench::Row("K_PaintDC 4000x3000 24-bit to half, locked")
            .Ours(PaintMs(r, half.dc(), w / 2, h / 2, true))
            .Peer("StretchDIBits", peer)
            .Print();
    }
    K_FreeBitmap(&r);
}

// Every effect over 320 x 240 (its step count fixed by that rectangle)
// beside effect 0, one paint of the same rectangle.
void EffectRows() {
    const int w = 320, h = 240;
    BitmapRecord r{};
    if (K_InitBitmap(&r, w, h, 24) != K_OK || K_AllocateBitmap(&r, K_STORAGE_MEMORY) != K_OK) return;
    const bench::Picture& p = bench::Photo();
    std::vector<uint8_t> row(r.BytesPerLine);
    K_AccessBitmap(&r);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = &p.rgb[static_cast<size_t>(y) * p.width * 3];
        for (int x = 0; x < 3 * w; ++x) row[x] = src[x];
        K_PutBitmapRow(&r, row.data(), y, r.BytesPerLine);
    }
    K_ReleaseBitmap(&r);
    Section dc(w, h, 24);
    RECT dest{0, 0, w, h};
    auto effectMs = [&](unsigned effect) {
        return bench::Median([&] {
            bool ok = K_PaintDCEffect(dc.dc(), &r, nullptr, nullptr, &dest, nullptr, SRCCOPY, effect) == K_OK;
            GdiFlush();
            return ok;
        });
    };
    const double plain = effectMs(0);
    for (unsigned effect = 0; effect <= kLastEffect; ++effect) {
        const std::string name = "effect " + std::to_string(effect) + ", 320x240, " +
                                 std::to_string(effect == 0 ? 1 : CountEffectSteps(effect, dest)) + " steps";
        bench::Row(name).Ours(effect == 0 ? plain : effectMs(effect)).Limit("one paint", plain).Print();
    }
    K_FreeBitmap(&r);
}

}  // namespace

int main() {
    PaintRows();
    EffectRows();
    return 0;
}
