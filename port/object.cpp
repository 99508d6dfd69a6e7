// The handle table: open handles are its slots, and GetProcessHandleCount
// counts them. A closed slot is handed out again, lowest first, as Windows
// reuses handle values.
#include "object.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr uintptr_t kHandleStep = 4;
// Windows' own limit of handles in one process (2^24).
constexpr size_t kMaxHandles = size_t{1} << 24;

// Slots hold owning raw pointers on purpose: objects still open when the
// process ends are forgotten with the table, not deleted, so LeakSanitizer
// reports each leaked handle with the place that opened it.
struct Table {
    std::mutex lock;
    std::vector<port::Object*> slots;
    size_t open = 0;
};

Table& Handles() {
    static Table table;
    return table;
}

// The slot of a handle value, or -1 when the value names none.
intptr_t SlotOf(HANDLE handle, const Table& table) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value % kHandleStep != 0) return -1;
    uintptr_t slot = value / kHandleStep - 1;
    return slot < table.slots.size() ? static_cast<intptr_t>(slot) : -1;
}

}  // namespace

HANDLE port::OpenHandle(Object* object) {
    std::unique_ptr<Object> owned(object);
    if (!owned) return nullptr;
    Table& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    size_t slot = 0;
    while (slot < table.slots.size() && table.slots[slot]) ++slot;
    if (slot == table.slots.size()) {
        if (slot >= kMaxHandles) return nullptr;
        try {
            table.slots.push_back(nullptr);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    table.slots[slot] = owned.release();
    ++table.open;
    return reinterpret_cast<HANDLE>((slot + 1) * kHandleStep);
}

port::Object* port::HandleObject(HANDLE handle) {
    Table& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    intptr_t slot = SlotOf(handle, table);
    return slot < 0 ? nullptr : table.slots[static_cast<size_t>(slot)];
}

bool port::CloseObjectHandle(HANDLE handle) {
    std::unique_ptr<Object> closing;
    {
        Table& table = Handles();
        std::lock_guard<std::mutex> guard(table.lock);
        intptr_t slot = SlotOf(handle, table);
        if (slot < 0 || !table.slots[static_cast<size_t>(slot)]) return false;
        closing.reset(table.slots[static_cast<size_t>(slot)]);
        table.slots[static_cast<size_t>(slot)] = nullptr;
        --table.open;
    }
    return true;  // the object goes outside the lock
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) { return port::CloseObjectHandle(handle) ? TRUE : FALSE; }

extern "C" HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(-1); }

extern "C" BOOL WINAPI GetProcessHandleCount(HANDLE, DWORD* count) {
    if (!count) return FALSE;
    Table& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    *count = static_cast<DWORD>(table.open);
    return TRUE;
}
