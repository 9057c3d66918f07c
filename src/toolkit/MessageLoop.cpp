// The one message loop; each top-level window takes its own keys.
#include "MessageLoop.h"

#include "Window.h"
#include "core/Errors.h"

using namespace Core;

namespace Toolkit {

WPARAM runMessageLoop()
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return message.wParam;
        // -1 is a failure, not a message: never spin on it.
        if (got == -1)
            throw WindowsError(GetLastError());
        // Each call may deliver messages to window procedures, which keep a
        // handler's exception for this loop to raise.
        const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        HWND root = key && message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr) {
            const bool taken = SendMessageW(root, WM_TAKEKEYS, 0, reinterpret_cast<LPARAM>(&message));
            rethrowKeptException();
            if (taken)
                continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        rethrowKeptException();
    }
}

bool takeKeys(HWND window, HACCEL accelerators, MSG& message)
{
    if (accelerators != nullptr && TranslateAcceleratorW(window, accelerators, &message))
        return true;
    return IsDialogMessageW(window, &message) != 0;
}

} // namespace Toolkit
