// Pixel storage of a BitmapRecord: page-file mappings, or on Win32s global
// memory with a temporary "KR" file as the fallback.
#include <cstring>

#include "core/file_access.h"
#include "core/bitmap.h"
#include "core/memory.h"
#include "core/platform.h"

namespace {

constexpr DWORD kMappingProtection = PAGE_READWRITE | SEC_COMMIT | SEC_NOCACHE;

HANDLE CreateMapping(DWORD size) {
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, kMappingProtection, 0, size, nullptr);
}

int MarkMemoryStorage(BitmapRecord* bitmap, HANDLE storage) {
    bitmap->StorageHandle = storage;
    bitmap->Flags = (bitmap->Flags & ~(K_LOCKED | K_MEMORY_STORAGE)) | K_MEMORY_STORAGE | K_ALLOCATED;
    return K_OK;
}

int FileHandle(const BitmapRecord* bitmap) { return FileAccessHandle(bitmap->StorageHandle); }

// Creates the temporary file, ImageSize + 1 bytes long.
int AllocateDisk(BitmapRecord* bitmap) {
    char name[MAX_PATH + 1] = {};
    MakeStorageFileName(name);
    size_t length = std::strlen(name) + 1;
    auto* copy = static_cast<char*>(AllocGlobalLocked(length));
    HANDLE file = copy ? CreateStorageFile(name, 0) : INVALID_HANDLE_VALUE;
    int handle = FileAccessHandle(file);
    if (handle < 0) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        FreeGlobalLocked(copy);
        if (name[0]) DeleteFileA(name);  // GetTempFileNameA made it already
        bitmap->StorageHandle = INVALID_HANDLE_VALUE;
        return K_ERR_MEMORY;
    }
    std::memcpy(copy, name, length);
    int result = K_OK;
    if (DefaultSeek(handle, static_cast<int>(bitmap->ImageSize), 0) != static_cast<int>(bitmap->ImageSize)) {
        result = K_ERR_MEMORY;
    } else {
        unsigned char zero = 0;
        if (DefaultWrite(handle, &zero, 1) != 1) result = K_ERR_WRITE;
    }
    if (result != K_OK) {
        // Nothing of the failed attempt stays in the record.
        DefaultClose(handle);
        DeleteFileA(copy);
        FreeGlobalLocked(copy);
        return result;
    }
    DefaultSeek(handle, 0, 0);
    bitmap->StorageHandle = file;
    bitmap->DataPointer = reinterpret_cast<unsigned char*>(copy);
    bitmap->Flags |= K_DISK_STORAGE | K_ALLOCATED;
    return K_OK;
}

int ResizeDiskStorage(BitmapRecord* bitmap, DWORD newSize) {
    int handle = FileHandle(bitmap);
    if (DefaultSeek(handle, static_cast<int>(newSize), 0) != static_cast<int>(newSize)) return K_ERR_MEMORY;
    // Keep the extra byte past the image, as allocation does.
    unsigned char zero = 0;
    if (DefaultWrite(handle, &zero, 1) != 1) return K_ERR_MEMORY;
    if (!SetEndOfFile(bitmap->StorageHandle)) return K_ERR_MEMORY;
    // Bytes between the old end and the new one read as zero.
    DefaultSeek(handle, 0, 0);
    return K_OK;
}

int ResizeMapping(BitmapRecord* bitmap, DWORD newSize) {
    void* oldView = MapViewOfFile(bitmap->StorageHandle, FILE_MAP_WRITE, 0, 0, 0);
    if (!oldView) return K_ERR_MEMORY;
    HANDLE mapping = CreateMapping(newSize);
    if (!mapping) {
        UnmapViewOfFile(oldView);
        return K_ERR_MEMORY;
    }
    void* newView = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (!newView) {
        CloseHandle(mapping);
        UnmapViewOfFile(oldView);
        return K_ERR_MEMORY;
    }
    std::memcpy(newView, oldView, bitmap->ImageSize < newSize ? bitmap->ImageSize : newSize);
    UnmapViewOfFile(newView);
    UnmapViewOfFile(oldView);
    CloseHandle(bitmap->StorageHandle);
    bitmap->StorageHandle = mapping;
    return K_OK;
}

}  // namespace

HANDLE CreateStorageFile(const char* name, int flags) {
    DWORD access = (flags & 1) ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
    return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                       static_cast<DWORD>(flags & 7), nullptr);
}

int MakeStorageFileName(char* buffer) {
    char folder[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n > MAX_PATH) return 0;
    return static_cast<int>(GetTempFileNameA(folder, "KR", 0, buffer));
}

int AccessBitmapIfNeeded(BitmapRecord* bitmap) {
    if (bitmap->Flags & K_LOCKED) return 1;
    K_AccessBitmap(bitmap);
    return 0;
}

void ReleaseBitmapIfNeeded(BitmapRecord* bitmap, int wasLocked) {
    if (!wasLocked) K_ReleaseBitmap(bitmap);
}

int FreeBitmapIfAllocated(BitmapRecord* bitmap, int deletePalettes) {
    if (!(bitmap->Flags & K_ALLOCATED)) return 1;
    if (!deletePalettes) {
        bitmap->PaletteHandle = nullptr;
        bitmap->FixedPaletteHandle = nullptr;
    }
    K_FreeBitmap(bitmap);
    return 1;
}

extern "C" int KAPI K_AllocateBitmap(BitmapRecord* bitmap, int kind) {
    if (!bitmap) return K_ERR_ARGUMENT;
    if (bitmap->ImageSize == 0) return K_ERR_SIZE;
    if (kind != K_STORAGE_ANY && kind != K_STORAGE_DISK && kind != K_STORAGE_MEMORY) return K_ERR_ARGUMENT;
    // A record whose size was changed by hand past what storage can hold.
    if (bitmap->ImageSize > 0x7FFFFFF0u) return K_ERR_SIZE;

    if (!Win32sMode) {
        HANDLE mapping = CreateMapping(bitmap->ImageSize);
        return mapping ? MarkMemoryStorage(bitmap, mapping) : K_ERR_MEMORY;
    }
    if (kind != K_STORAGE_DISK) {
        // Zeroed, so that every kind of storage starts out the same.
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, bitmap->ImageSize + 16);
        if (block) return MarkMemoryStorage(bitmap, block);
        if (kind == K_STORAGE_MEMORY) return K_ERR_MEMORY;
    }
    return AllocateDisk(bitmap);
}

extern "C" intptr_t KAPI K_AccessBitmap(BitmapRecord* bitmap) {
    if (!bitmap) return 0;
    if ((bitmap->Flags & (K_MEMORY_STORAGE | K_LOCKED)) != K_MEMORY_STORAGE)
        return static_cast<intptr_t>(bitmap->Flags);
    void* data = Win32sMode ? GlobalLock(bitmap->StorageHandle)
                            : MapViewOfFile(bitmap->StorageHandle, FILE_MAP_WRITE, 0, 0, bitmap->ImageSize);
    if (!data) return static_cast<intptr_t>(bitmap->Flags);
    bitmap->DataPointer = static_cast<unsigned char*>(data);
    bitmap->Flags |= K_LOCKED;
    return reinterpret_cast<intptr_t>(data);
}

extern "C" int KAPI K_ReleaseBitmap(BitmapRecord* bitmap) {
    if (!bitmap) return 0;
    if ((bitmap->Flags & (K_MEMORY_STORAGE | K_LOCKED)) != (K_MEMORY_STORAGE | K_LOCKED))
        return static_cast<int>(bitmap->Flags);
    if (Win32sMode)
        GlobalUnlock(bitmap->StorageHandle);
    else
        UnmapViewOfFile(bitmap->DataPointer);
    bitmap->Flags &= ~K_LOCKED;
    bitmap->DataPointer = nullptr;
    return static_cast<int>(bitmap->Flags);
}

extern "C" int KAPI K_ChangeBitmapHeight(BitmapRecord* bitmap, int newHeight) {
    if (!bitmap || !(bitmap->Flags & K_ALLOCATED)) return K_ERR_NOBITMAP;
    if (bitmap->Flags & K_LOCKED) return K_ERR_ARGUMENT;
    if (newHeight == bitmap->Height) return K_OK;
    // Storage of no rows cannot exist, and negative heights have no meaning.
    if (newHeight <= 0) return K_ERR_ARGUMENT;
    int64_t newSize = static_cast<int64_t>(newHeight) * bitmap->BytesPerLine;
    if (newSize > 0x7FFFFFF0) return K_ERR_MEMORY;
    DWORD size = static_cast<DWORD>(newSize);

    int result;
    if (Win32sMode && (bitmap->Flags & K_DISK_STORAGE)) {
        result = ResizeDiskStorage(bitmap, size);
    } else if (Win32sMode) {
        HGLOBAL block = GlobalReAlloc(bitmap->StorageHandle, size + 16, GMEM_MOVEABLE);
        result = block ? K_OK : K_ERR_MEMORY;
        if (block) bitmap->StorageHandle = block;
    } else {
        result = ResizeMapping(bitmap, size);
    }
    if (result != K_OK) return result;

    // Rows added by a global block that grew are zero, as with the other kinds.
    if (Win32sMode && !(bitmap->Flags & K_DISK_STORAGE) && size > bitmap->ImageSize) {
        auto* data = static_cast<unsigned char*>(GlobalLock(bitmap->StorageHandle));
        if (data) {
            std::memset(data + bitmap->ImageSize, 0, size - bitmap->ImageSize);
            GlobalUnlock(bitmap->StorageHandle);
        }
    }
    bitmap->ImageSize = size;
    bitmap->Height = newHeight;
    bitmap->DibHeader.biSizeImage = size;
    bitmap->DibHeader.biHeight = newHeight;
    bitmap->RowCacheOffset = 0;
    bitmap->RowCacheIndex = 0;
    return K_OK;
}

extern "C" void KAPI K_FreeBitmap(BitmapRecord* bitmap) {
    if (!bitmap) return;
    if (bitmap->FixedPaletteHandle) DeleteObject(bitmap->FixedPaletteHandle);
    if (bitmap->PaletteHandle) DeleteObject(bitmap->PaletteHandle);
    bitmap->FixedPaletteHandle = nullptr;
    bitmap->PaletteHandle = nullptr;
    if (!(bitmap->Flags & K_ALLOCATED)) return;

    if (bitmap->Flags & K_MEMORY_STORAGE) {
        K_ReleaseBitmap(bitmap);
        if (Win32sMode)
            GlobalFree(bitmap->StorageHandle);
        else
            CloseHandle(bitmap->StorageHandle);
        bitmap->Flags &= ~K_MEMORY_STORAGE;
    } else if (bitmap->Flags & K_DISK_STORAGE) {
        DefaultClose(FileHandle(bitmap));
        if (bitmap->DataPointer) {
            DeleteFileA(reinterpret_cast<const char*>(bitmap->DataPointer));
            FreeGlobalLocked(bitmap->DataPointer);
        }
        bitmap->DataPointer = nullptr;
        bitmap->Flags &= ~K_DISK_STORAGE;
    }
    bitmap->Flags &= ~K_ALLOCATED;
}
