// Kernel objects of the native stand-ins: every HANDLE points at one.
#pragma once

namespace port {

struct Object {
    virtual ~Object() = default;
};

}  // namespace port
