// A bitmap record in working memory for one scope: zeroed when made, its
// storage and palettes freed with it at the end of the scope.
#pragma once

#include <cstring>

#include "core/memory.h"
#include "volkg.h"

class HeapRecord {
public:
    HeapRecord() : r_(static_cast<BitmapRecord*>(AllocGlobalLockedExt(sizeof(BitmapRecord), 1))) {}
    ~HeapRecord() {
        if (r_) {
            K_FreeBitmap(r_);
            FreeGlobalLocked(r_);
        }
    }
    HeapRecord(const HeapRecord&) = delete;
    HeapRecord& operator=(const HeapRecord&) = delete;
    // Null when the memory could not be had.
    BitmapRecord* get() const { return r_; }
    // The storage now belongs to a copy of the record elsewhere: forgotten
    // here, so that the scope frees only the record itself.
    void Release() {
        if (r_) std::memset(r_, 0, sizeof *r_);
    }

private:
    BitmapRecord* r_;
};
