// Window objects, creation records, kept exceptions.
#include "Window.h"

#include <exception>

#include "core/Errors.h"

using namespace Core;

namespace Toolkit {

HINSTANCE moduleInstance = nullptr;

namespace {
std::exception_ptr keptException;
}

Window::~Window()
{
    if (handle != nullptr)
        DestroyWindow(handle);
}

HWND Window::setFocus()
{
    if (handle == nullptr)
        throw Core::StateError();
    HWND previous = SetFocus(handle);
    if (previous == nullptr)
        throw WindowsError(GetLastError());
    return previous;
}

CreateParams childParams(HWND parent, int id, int x, int y, int width, int height, LONG style,
                         DWORD exStyle)
{
    CreateParams params = {};
    params.hMenu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    params.hwndParent = parent;
    params.cy = height;
    params.cx = width;
    params.y = y;
    params.x = x;
    params.style = style;
    params.dwExStyle = exStyle;
    return params;
}

HWND createControl(const wchar_t* className, const CreateParams& params)
{
    HWND control = CreateWindowExW(params.dwExStyle, className, nullptr, static_cast<DWORD>(params.style), params.x,
                                   params.y, params.cx, params.cy, params.hwndParent, params.hMenu, moduleInstance,
                                   nullptr);
    if (control == nullptr)
        throw WindowsError(GetLastError());
    return control;
}

void keepException()
{
    if (!keptException)
        keptException = std::current_exception();
}

void rethrowKeptException()
{
    if (keptException) {
        std::exception_ptr pending = keptException;
        keptException = nullptr;
        std::rethrow_exception(pending);
    }
}

} // namespace Toolkit
