// The debug privilege, enabled for one scope and put back.
#include "DebugPrivilegeGuard.h"

#include "core/Errors.h"

using namespace Core;

namespace Inspection {

void DebugPrivilegeGuard::enable()
{
    if (token != nullptr)
        return;

    auto fail = [this]() {
        const DWORD code = GetLastError();
        if (token != nullptr) {
            CloseHandle(token);
            token = nullptr;
        }
        throw WindowsError(code);
    };

    // Only a handle the call reports as opened is ever closed.
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened))
        fail();
    token = opened;

    TOKEN_PRIVILEGES newState;
    newState.PrivilegeCount = 1;
    newState.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &newState.Privileges[0].Luid))
        fail();

    DWORD length = 0;
    if (!AdjustTokenPrivileges(token, FALSE, &newState, sizeof(newState), &previousState, &length)
        || previousState.PrivilegeCount == 0)
        fail();
}

void DebugPrivilegeGuard::restore()
{
    if (token == nullptr)
        return;
    AdjustTokenPrivileges(token, FALSE, &previousState, sizeof(previousState), nullptr, nullptr);
    CloseHandle(token);
    token = nullptr;
}

} // namespace Inspection
