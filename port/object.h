// Kernel objects of the native stand-ins and the process's handle table.
// As on Windows, a handle is a small multiple of four that indexes the
// table, never an address: it keeps within 32 bits, so the library may pass
// it through an int (the file-access functions do) on either platform.
#pragma once

#include <windows.h>

namespace port {

struct Object {
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;
};

// Enters the object into the table, which then owns it; null (and the
// object deleted) when the table is full.
HANDLE OpenHandle(Object* object);

// The object behind a handle, or null for a handle that is not open.
Object* HandleObject(HANDLE handle);

template <class T>
T* HandleAs(HANDLE handle) {
    return dynamic_cast<T*>(HandleObject(handle));
}

// Takes the handle out of the table and deletes its object.
bool CloseObjectHandle(HANDLE handle);

}  // namespace port
