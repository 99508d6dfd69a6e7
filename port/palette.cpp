// Logical palettes: a list of entries behind an HPALETTE. Handles are keys
// of a table, as GDI's are, so a deleted handle is simply not found.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace {

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

std::map<uintptr_t, Palette>& Table() {
    static std::map<uintptr_t, Palette> table;
    return table;
}

uintptr_t g_next = 0x10000;

Palette* AsPalette(const void* h) {
    auto it = Table().find(reinterpret_cast<uintptr_t>(h));
    return it == Table().end() ? nullptr : &it->second;
}

}  // namespace

extern "C" {

HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0) return nullptr;
    uintptr_t key = g_next;
    g_next += 4;
    Table()[key].entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return reinterpret_cast<HPALETTE>(key);
}

UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    Palette* p = AsPalette(palette);
    if (!p) return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    UINT n = std::min(count, size - start);
    std::memcpy(entries, p->entries.data() + start, n * sizeof(PALETTEENTRY));
    return n;
}

UINT WINAPI SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    Palette* p = AsPalette(palette);
    if (!p || !entries) return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (start >= size) return 0;
    UINT n = std::min(count, size - start);
    std::memcpy(p->entries.data() + start, entries, n * sizeof(PALETTEENTRY));
    return n;
}

BOOL WINAPI ResizePalette(HPALETTE palette, UINT count) {
    Palette* p = AsPalette(palette);
    if (!p || count == 0 || count > 1024) return FALSE;
    p->entries.resize(count, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

UINT WINAPI GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
    Palette* p = AsPalette(palette);
    if (!p) return CLR_INVALID;
    int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    UINT best = 0;
    long bestDistance = -1;
    for (UINT i = 0; i < p->entries.size(); ++i) {
        const PALETTEENTRY& e = p->entries[i];
        long d = (e.peRed - r) * (e.peRed - r) + (e.peGreen - g) * (e.peGreen - g) + (e.peBlue - b) * (e.peBlue - b);
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    Palette* p = AsPalette(object);
    if (!p) return 0;
    if (!buffer) return sizeof(WORD);
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    WORD count = static_cast<WORD>(p->entries.size());
    std::memcpy(buffer, &count, sizeof count);
    return sizeof(WORD);
}

BOOL WINAPI DeleteObject(HGDIOBJ object) { return Table().erase(reinterpret_cast<uintptr_t>(object)) ? TRUE : FALSE; }

}  // extern "C"
