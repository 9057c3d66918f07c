#include "Window.h"

#include <exception>

#include "core/Errors.h"

namespace Windows {

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
        throw General::StateError();
    HWND previous = SetFocus(handle);
    if (previous == nullptr)
        throw WindowsError(GetLastError());
    return previous;
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

} // namespace Windows
