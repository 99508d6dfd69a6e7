#include "streams.h"

#include <algorithm>
#include <cstring>

long long TStream::Size() {
    long long here = Seek(0, soCurrent), end = Seek(0, soEnd);
    Seek(here, soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int count) {
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        int got = Read(p, count);
        if (got <= 0) throw EReadError("Stream read error");
        p += got;
        count -= got;
    }
}

void TStream::WriteBuffer(const void* buffer, int count) {
    if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

long long TStream::CopyFrom(TStream* source, long long count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    char buffer[65536];
    long long left = count;
    while (left > 0) {
        int n = static_cast<int>(std::min<long long>(left, sizeof buffer));
        source->ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        left -= n;
    }
    return count;
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    DWORD share = 0;
    switch (mode & 0xF0) {
        case fmShareDenyWrite:
            share = FILE_SHARE_READ;
            break;
        case fmShareDenyRead:
            share = FILE_SHARE_WRITE;
            break;
        case fmShareDenyNone:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        default:
            break;  // exclusive
    }
    bool create = (mode & fmCreate) != 0;
    unsigned accessMode = mode & 3;
    if (!create && accessMode > 2) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    handle_ = CreateFileA(fileName.c_str(), create ? GENERIC_READ | GENERIC_WRITE : access[accessMode], share, nullptr,
                          create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        if (create) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    }
}

TFileStream::~TFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

int TFileStream::Read(void* buffer, int count) {
    DWORD got = 0;
    if (count <= 0) return 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
    return static_cast<int>(got);
}

int TFileStream::Write(const void* buffer, int count) {
    DWORD put = 0;
    if (count <= 0) return 0;
    if (!WriteFile(handle_, buffer, static_cast<DWORD>(count), &put, nullptr)) return -1;
    return static_cast<int>(put);
}

long long TFileStream::Seek(long long offset, TSeekOrigin origin) {
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    if (!SetFilePointerEx(handle_, to, &now, methods[origin])) return -1;
    return now.QuadPart;
}

int TMemoryStream::Read(void* buffer, int count) {
    if (count <= 0 || position_ >= data_.size()) return 0;
    size_t n = std::min(static_cast<size_t>(count), data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return static_cast<int>(n);
}

int TMemoryStream::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

long long TMemoryStream::Seek(long long offset, TSeekOrigin origin) {
    long long base = origin == soBeginning ? 0 : origin == soCurrent ? static_cast<long long>(position_) : Size();
    long long to = base + offset;
    if (to < 0) return -1;
    position_ = static_cast<size_t>(to);  // beyond the end: a later write fills the gap with zeros
    return to;
}

void TMemoryStream::SetSize(long long size) {
    data_.resize(static_cast<size_t>(std::max(0LL, size)));
    position_ = std::min(position_, data_.size());
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* source) {
    source->SetPosition(0);
    long long size = source->Size();
    if (size < 0 || size > 0x7FFFFFFF) throw EReadError("Stream read error");
    data_.resize(static_cast<size_t>(size));
    if (size > 0) source->ReadBuffer(data_.data(), static_cast<int>(size));
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    file.WriteBuffer(data_.data(), static_cast<int>(data_.size()));
}
