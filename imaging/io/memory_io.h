// The memory set of file-access callbacks: one block at a time, read from
// a caller's block or written into a growing block of global memory.
#pragma once

#include "io/file_callbacks.h"

// The name that memory and offset calls hand down in place of a file name.
constexpr const char* kWindowFileName = "DUMMY";

// Installs the memory set over a caller's block for reading, for a scope.
class MemoryReadScope {
public:
    MemoryReadScope(const void* block, int size);
    ~MemoryReadScope();
    MemoryReadScope(const MemoryReadScope&) = delete;
    MemoryReadScope& operator=(const MemoryReadScope&) = delete;

private:
    FileAccessSwap swap_;
};

// Installs the memory set with an empty block in writing mode, for a scope.
// Take() hands the written block over as an unlocked global-memory handle;
// whatever is not taken is freed when the scope ends.
class MemoryWriteScope {
public:
    MemoryWriteScope();
    ~MemoryWriteScope();
    MemoryWriteScope(const MemoryWriteScope&) = delete;
    MemoryWriteScope& operator=(const MemoryWriteScope&) = delete;
    int Length() const;
    int Capacity() const;
    HGLOBAL Take();

private:
    FileAccessSwap swap_;
};
