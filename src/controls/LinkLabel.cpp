// A label that opens a page when clicked, and says why when it cannot.
#include "LinkLabel.h"

#include <shlwapi.h>

#include "CommandLine.h"
#include "core/Handles.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/WindowClass.h"

using namespace Core;
using namespace Toolkit;

namespace Controls {

const ClassAttributes LinkLabel::attributes = {"LinkLabel", nullptr, CS_HREDRAW | CS_VREDRAW,
                                               MAKEINTRESOURCEA(32649), nullptr, false, false};

HWND LinkLabel::create(const CreateParams& params) { return WindowClass<LinkLabel>::create(*this, params); }

LRESULT LinkLabelContents::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = LabelContents::handleMessage(message, wParam, lParam);
    if (result != 0)
        return result;
    if (message == WM_LBUTTONUP) {
        // No browser, or one that will not start, is told in a box over the
        // window; the program goes on.
        try {
            openUrl();
        } catch (WindowsError& error) {
            tellError(GetParent(owner->handle), error.code, "The Page Could Not Be Opened", MB_ICONWARNING);
        }
        return 1;
    }
    return 0;
}

void LinkLabelContents::openUrl()
{
    char program[MAX_PATH];
    DWORD size = MAX_PATH;
    const HRESULT found = AssocQueryStringA(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, ".html", "open", program, &size);
    if (found != S_OK)
        throw WindowsError(static_cast<uint32_t>(found));

    Core::String commandLine = browserCommandLine(program, url.text());
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.items, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        throw WindowsError(GetLastError());
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
}

} // namespace Controls
