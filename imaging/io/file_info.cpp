#include "io/file_info.h"

#include <cstdint>
#include <cstring>

#include "core/memory.h"
#include "io/file_callbacks.h"
#include "io/probes.h"

namespace {

int g_lastHeaderCount = 0;

// Closes the file on every path out of K_FileInfo.
class ProbedFile {
public:
    explicit ProbedFile(int handle) : handle_(handle) {}
    ~ProbedFile() { Close(); }
    void Close() {
        if (handle_ >= 0) FileClose(handle_);
        handle_ = -1;
    }
    int get() const { return handle_; }

private:
    int handle_;
};

}  // namespace

int LastHeaderReadCount() { return g_lastHeaderCount; }

int ComputeImageSize(int width, int height, int bitsPerPixel) {
    // Unsigned 64-bit arithmetic, so that hostile headers wrap instead of
    // overflowing; the field keeps the low 32 bits.
    uint64_t pixels =
        static_cast<uint64_t>(static_cast<int64_t>(width)) * static_cast<uint64_t>(static_cast<int64_t>(height));
    uint64_t size;
    switch (bitsPerPixel) {
        case 1:
            size = pixels >> 3;
            break;
        case 4:
            size = pixels >> 1;
            break;
        case 8:
            size = pixels;
            break;
        case 16:
            size = pixels * 2;
            break;
        case 24:
            size = pixels * 3;
            break;
        case 32:
            size = pixels * 4;
            break;
        default:
            size = pixels * static_cast<uint64_t>(static_cast<unsigned>(bitsPerPixel)) / 8;
            break;
    }
    return static_cast<int>(static_cast<uint32_t>(size));
}

void SetInfoText(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

void FillFileInfo(FileInfoRecord* info, const ProbedImage& image) {
    info->FormatCode = static_cast<unsigned char>(image.format);
    info->Width = image.width;
    info->Height = image.height;
    info->BitsPerPixel = image.bitsPerPixel;
    info->ImageSize = ComputeImageSize(image.width, image.height, image.bitsPerPixel);
    if (image.viewPerspective != kKeepField) info->ViewPerspective = image.viewPerspective;
    if (image.colorOrder != kKeepField) info->ColorOrder = image.colorOrder;
    if (image.compression) SetCompressionName(info, image.compression);
}

std::string ShortFileName(const char* name) {
    if (!name) return {};
    const char* start = std::strrchr(name, '\\');
    if (!start) start = std::strrchr(name, ':');
    start = start ? start + 1 : name;
    const char* dot = std::strchr(start, '.');
    std::string base(start, dot ? dot - start : std::strlen(start));
    std::string result = base.substr(0, 8);
    if (dot) {
        const char* ext = dot + 1;
        const char* next = std::strchr(ext, '.');
        std::string extension(ext, next ? next - ext : std::strlen(ext));
        extension = extension.substr(0, 3);
        if (!extension.empty()) result += "." + extension;
    }
    return result;
}

extern "C" int KAPI K_FileInfo(const char* name, FileInfoRecord* info) {
    if (!info) return K_ERR_ARGUMENT;
    GlobalBuffer buffer(kHeaderBytes + 24);
    if (!buffer) return K_ERR_MEMORY;
    ProbedFile file(FileOpen(name, kReaderOpenFlags, kReaderPermission));
    if (file.get() < 0) return K_ERR_OPEN;

    unsigned char* header = buffer.get();
    std::memset(header, 0, kHeaderBytes + 24);
    int count = FileRead(file.get(), header, kHeaderBytes);
    g_lastHeaderCount = count;
    if (count <= 0) return K_ERR_READ;

    std::memset(info, 0, sizeof *info);
    SetInfoText(info->ShortName, sizeof info->ShortName, ShortFileName(name).c_str());
    SetCompressionName(info, "None");
    info->ColorOrder = -1;
    info->PageNumber = 1;
    info->FileSize = FileSeek(file.get(), 0, 2);

    ProbeInput input{file.get(), header, count};
    for (const ProbeStep& step : ProbeOrder()) {
        if (step.action == ProbeAction::ReReadHeader) {
            FileSeek(file.get(), 0, 0);
            // Bytes past the new count keep what the first read left.
            int again = FileRead(file.get(), header, kHeaderBytes);
            if (again <= 0) return K_ERR_READ;
            input.headerCount = again;
            continue;
        }
        if (!step.probe) continue;
        if (step.rewind) FileSeek(file.get(), 0, 0);
        if (step.probe(input, info) == 1) return K_OK;
    }
    file.Close();
    // The last name probe (headerless fax) answers for what nothing else
    // took: its refusal, -9 or the load-info callback's own, is the result.
    int result = K_ERR_FORMAT;
    const std::span<const NameProbeFunction> nameProbes = NameProbes();
    for (size_t i = 0; i < nameProbes.size(); ++i) {
        const int r = nameProbes[i](name, info);
        if (r == 1) return K_OK;
        if (i + 1 == nameProbes.size()) result = r;
    }
    return result;
}

extern "C" int KAPI K_VersionInfo(VersionRecord* record) {
    if (!record) return K_ERR_ARGUMENT;
    std::memset(record, 0, sizeof *record);
    record->Version[0] = 1;
    record->Version[1] = 5;
    record->Version[2] = 2;
    SetInfoText(record->BuildDate, sizeof record->BuildDate, __DATE__);
    SetInfoText(record->BuildTime, sizeof record->BuildTime, __TIME__);
    return K_OK;
}
