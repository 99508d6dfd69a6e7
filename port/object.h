// Kernel objects of the native stand-ins: every HANDLE points at one. The
// live ones are counted, as Windows counts a process's handles.
#pragma once

namespace port {

struct Object {
    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();
};

}  // namespace port
