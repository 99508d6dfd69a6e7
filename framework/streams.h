// Streams of bytes: the base with exact reads and writes, files with share
// modes, and memory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "classes.h"

class EStreamError : public Exception {
    using Exception::Exception;
};
// A file that cannot be made: "Cannot create file \"%s\"".
class EFCreateError : public EStreamError {
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    // As many bytes as there are, up to count; 0 at the end.
    virtual int Read(void* buffer, int count) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    // The new position.
    virtual long long Seek(long long offset, TSeekOrigin origin) = 0;
    long long Position() { return Seek(0, soCurrent); }
    void SetPosition(long long position) { Seek(position, soBeginning); }
    virtual long long Size();
    // Exactly count bytes, or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int count);
    void WriteBuffer(const void* buffer, int count);
    // Copies count bytes from the source's position (0: the whole source from its start).
    long long CopyFrom(TStream* source, long long count);
};

// Open modes: one access mode and one share mode, or fmCreate (with a share mode).
constexpr unsigned fmOpenRead = 0x0000, fmOpenWrite = 0x0001, fmOpenReadWrite = 0x0002, fmShareExclusive = 0x0010,
                   fmShareDenyWrite = 0x0020, fmShareDenyRead = 0x0030, fmShareDenyNone = 0x0040, fmCreate = 0x1000;

class TFileStream : public TStream {
public:
    // Raises EFOpenError, or EFCreateError for fmCreate (which empties an existing file).
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    const std::string& FileName() const { return fileName_; }
    HANDLE Handle() const { return handle_; }

private:
    std::string fileName_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class TMemoryStream : public TStream {
public:
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    long long Seek(long long offset, TSeekOrigin origin) override;
    long long Size() override { return static_cast<long long>(data_.size()); }
    void SetSize(long long size);
    void Clear();
    const BYTE* Memory() const { return data_.data(); }
    BYTE* Memory() { return data_.data(); }
    // The whole file, position 0 / the whole stream.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    void LoadFromStream(TStream* source);

private:
    std::vector<BYTE> data_;
    size_t position_ = 0;
};
