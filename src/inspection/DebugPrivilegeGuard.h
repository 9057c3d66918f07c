#pragma once

// The debug privilege, enabled for one scope.
#include <windows.h>

namespace Inspection {

// Enables the debug privilege of this process for one scope and puts the
// former state back when the scope ends, however it ends.
class DebugPrivilegeGuard {
public:
    DebugPrivilegeGuard() : token(nullptr), previousState() {}
    DebugPrivilegeGuard(const DebugPrivilegeGuard&) = delete;
    DebugPrivilegeGuard& operator=(const DebugPrivilegeGuard&) = delete;
    ~DebugPrivilegeGuard() { restore(); }

    // Raises WindowsError on failure, holding nothing afterwards.
    void enable();
    void restore();

    HANDLE token;
    TOKEN_PRIVILEGES previousState;
};

} // namespace Inspection
