#include "metafile.h"

#include <cstdlib>
#include <cstring>

#include "graphics.h"
#include "streams.h"

namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22, kHeaderSize = 18;

template <class T>
T Get(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[noreturn]] void BadMetafile() { throw EInvalidGraphic("Metafile is not valid"); }

int ScreenPixelsPerInch(int index) {
    HDC dc = GetDC(nullptr);
    int ppi = dc ? GetDeviceCaps(dc, index) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return ppi > 0 ? ppi : 96;
}

}  // namespace

TMetafile::~TMetafile() { Clear(); }

void TMetafile::Clear() {
    if (handle_) DeleteMetaFile(handle_);
    handle_ = nullptr;
    bytes_.clear();
}

void TMetafile::SetWidth(int width) {
    if (width_ == width) return;
    width_ = width;
    Changed();
}

void TMetafile::SetHeight(int height) {
    if (height_ == height) return;
    height_ = height;
    Changed();
}

void TMetafile::LoadFromBytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    size_t at = 0;
    int width = width_, height = height_;
    if (size >= kPlaceableSize && Get<DWORD>(p) == kPlaceableKey) {
        auto left = Get<short>(p + 6), top = Get<short>(p + 8), right = Get<short>(p + 10), bottom = Get<short>(p + 12);
        WORD inch = Get<WORD>(p + 14);
        if (inch == 0) BadMetafile();
        width = MulDiv(std::abs(right - left), ScreenPixelsPerInch(LOGPIXELSX), inch);
        height = MulDiv(std::abs(bottom - top), ScreenPixelsPerInch(LOGPIXELSY), inch);
        at = kPlaceableSize;
    }
    if (size - at < kHeaderSize) BadMetafile();
    const unsigned char* header = p + at;
    WORD type = Get<WORD>(header), headerWords = Get<WORD>(header + 2);
    // The metafile's own size, in 16-bit words: exactly that many bytes go to
    // the system, which refuses any other count.
    size_t bytes = static_cast<size_t>(Get<DWORD>(header + 6)) * 2;
    if ((type != 1 && type != 2) || headerWords != 9 || bytes < kHeaderSize || bytes > size - at) BadMetafile();
    HMETAFILE handle = SetMetaFileBitsEx(static_cast<UINT>(bytes), header);
    if (!handle) BadMetafile();
    Clear();
    handle_ = handle;
    bytes_.assign(p, p + at + bytes);
    width_ = width;
    height_ = height;
    Changed();
}

void TMetafile::LoadFromFile(const std::string& fileName) {
    TMemoryStream file;
    file.LoadFromFile(fileName);
    LoadFromBytes(file.Memory(), static_cast<size_t>(file.Size()));
}

void TMetafile::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TMetafile::LoadFromStream(TStream* stream) {
    std::vector<unsigned char> bytes = ReadRest(stream);
    LoadFromBytes(bytes.data(), bytes.size());
}

void TMetafile::SaveToStream(TStream* stream) {
    if (Empty()) throw EInvalidGraphic("Metafile is empty");
    stream->WriteBuffer(bytes_.data(), static_cast<int>(bytes_.size()));
}

void TMetafile::LoadFromClipboardFormat(WORD, HANDLE, HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TMetafile::SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
    format = 0;
    data = nullptr;
    palette = nullptr;
}

void TMetafile::Draw(TCanvas* canvas, const RECT& rect) {
    if (!handle_) return;
    HDC dc = canvas->Handle();
    int saved = SaveDC(dc);
    // Logical units are the picture's pixels unless the metafile sets its own window.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, width_ > 0 ? width_ : rect.right - rect.left, height_ > 0 ? height_ : rect.bottom - rect.top,
                   nullptr);
    SetViewportOrgEx(dc, rect.left, rect.top, nullptr);
    SetViewportExtEx(dc, rect.right - rect.left, rect.bottom - rect.top, nullptr);
    PlayMetaFile(dc, handle_);
    RestoreDC(dc, saved);
}

void TMetafile::Assign(TPersistent* source) {
    auto* m = dynamic_cast<TMetafile*>(source);
    if (!m) return TGraphic::Assign(source);
    if (m == this) return;
    if (m->Empty()) {
        Clear();
        width_ = m->width_;
        height_ = m->height_;
        Changed();
        return;
    }
    std::vector<unsigned char> bytes = m->bytes_;
    int width = m->width_, height = m->height_;
    LoadFromBytes(bytes.data(), bytes.size());
    width_ = width;
    height_ = height;
}
