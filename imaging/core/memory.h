// Working memory of the library: moveable global blocks, locked while they
// are in use and identified by their pointer alone.
#pragma once

#include <cstddef>

void* AllocGlobalLocked(size_t bytes);
void* AllocGlobalLockedExt(size_t bytes, int zeroInit);
void* ReallocGlobalLocked(void* pointer, size_t bytes);
void FreeGlobalLocked(void* pointer);

// Owns one working-memory block for the length of a scope.
class GlobalBuffer {
public:
    GlobalBuffer() = default;
    explicit GlobalBuffer(size_t bytes, bool zero = false)
        : p_(static_cast<unsigned char*>(AllocGlobalLockedExt(bytes, zero))) {}
    ~GlobalBuffer() { FreeGlobalLocked(p_); }
    GlobalBuffer(const GlobalBuffer&) = delete;
    GlobalBuffer& operator=(const GlobalBuffer&) = delete;
    unsigned char* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    unsigned char* release() {
        unsigned char* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    unsigned char* p_ = nullptr;
};
