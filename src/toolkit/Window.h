#pragma once

// The base of every window object, creation records, and exceptions kept
// across the system's frames.
#include <windows.h>

namespace Toolkit {

struct ClassAttributes; // WindowClass.h

// The creation record, laid out as the platform's CREATESTRUCTA. create reads
// hMenu (a child's id), hwndParent, the geometry, style, lpszName and
// dwExStyle; it supplies the creation data, instance and class itself.
struct CreateParams {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    const char* lpszName;
    const char* lpszClass;
    DWORD dwExStyle;
};

// The base of every window object: it owns its window and destroys it, if it
// still has one, when the object dies.
class Window {
public:
    Window() : handle(nullptr) {}
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    virtual HWND create(const CreateParams& params) = 0;

    // Gives the window the keyboard focus; returns the window that had it.
    HWND setFocus();

    HWND handle;
};

// The creation record of a child window with no text; create supplies the
// creation data, instance and class.
CreateParams childParams(HWND parent, int id, int x, int y, int width, int height, LONG style,
                         DWORD exStyle);

// A system control (a class of the system or of comctl32) made from a
// creation record, in UTF-16; raises WindowsError when it cannot be made.
HWND createControl(const wchar_t* className, const CreateParams& params);

// The module instance handle, stored by the entry before anything else.
extern HINSTANCE moduleInstance;

// A window procedure must not let an exception unwind into the system's
// frames, so it keeps the first one here and the code that made the platform
// call rethrows it once the call has returned.
void keepException();
void rethrowKeptException();

} // namespace Toolkit
