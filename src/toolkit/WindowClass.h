#pragma once

// Registration, creation, binding and message routing of every window class.
#include <windows.h>

#include "Window.h"
#include "core/Errors.h"
#include "resources/ResourceIds.h"

namespace Toolkit {

// What a window class takes from the class table: either a system class to
// copy whole, or attributes of its own.
struct ClassAttributes {
    const char* name;
    const char* systemClass; // "EDIT" or "LISTBOX" for a superclass, else null
    UINT style;
    const char* cursor;      // a system cursor id, or null
    HBRUSH const* background; // one of the class brushes, or null
    bool icons;              // the program's icon group, large and small
    // A Unicode window: registered and created with the UTF-16 calls, so the
    // control keeps, draws and copies its text in UTF-16 whatever the code
    // page, while the program still speaks to it in 8-bit text. Such a class
    // is a superclass and its windows are made without text.
    bool unicode;
};

// Registration, creation, binding and routing, the same for every class.
// Object derives from Window and has a handler member `contents`; a class
// that routes commands itself declares `static bool command(Object&, WPARAM)`.
template <class Object>
class WindowClass {
public:
    static ATOM classAtom;
    static WNDPROC baseProc;

    static HWND create(Object& object, const CreateParams& params)
    {
        if (classAtom == 0)
            registerClass();
        HWND window;
        if (Object::attributes.unicode) {
            // Named by its atom, which needs no UTF-16 name.
            const auto atom = reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(classAtom));
            window = CreateWindowExW(params.dwExStyle, atom, nullptr, params.style, params.x, params.y, params.cx,
                                     params.cy, params.hwndParent, params.hMenu, moduleInstance, &object);
        } else {
            window = CreateWindowExA(params.dwExStyle, Object::attributes.name, params.lpszName, params.style,
                                     params.x, params.y, params.cx, params.cy, params.hwndParent, params.hMenu,
                                     moduleInstance, &object);
        }
        const DWORD error = GetLastError();
        // A handler's exception stopped at the window procedure; it goes on here.
        rethrowKeptException();
        if (window == nullptr)
            throw Core::WindowsError(error);
        return window;
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        Object* object;
        if (message == WM_NCCREATE) {
            // lpCreateParams leads CREATESTRUCTA and CREATESTRUCTW alike.
            object = static_cast<Object*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
            object->handle = window;
        } else {
            object = reinterpret_cast<Object*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        }
        if (object == nullptr)
            return callBase(window, message, wParam, lParam);

        LRESULT result = 0;
        bool raised = false;
        try {
            if (message == WM_COMMAND)
                result = routeCommand(*object, wParam, 0) ? 1 : 0;
            else
                result = object->contents.handleMessage(message, wParam, lParam);
        } catch (...) {
            // An exception must not unwind through the system's frames: keep
            // it for the caller of the platform call, and fail creation.
            keepException();
            raised = true;
        }
        if (message == WM_NCDESTROY)
            object->handle = nullptr;
        if (raised)
            return message == WM_CREATE ? -1 : 0;
        if (result != 0)
            return result;
        return callBase(window, message, wParam, lParam);
    }

private:
    static LRESULT callBase(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return Object::attributes.unicode ? CallWindowProcW(baseProc, window, message, wParam, lParam)
                                          : CallWindowProcA(baseProc, window, message, wParam, lParam);
    }

    // A class name, ASCII, as the UTF-16 calls take it.
    struct WideName {
        explicit WideName(const char* name)
        {
            int i = 0;
            for (; name[i] != '\0' && i < 63; ++i)
                text[i] = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
            text[i] = L'\0';
        }
        wchar_t text[64];
    };

    static void registerUnicodeSuperclass()
    {
        const ClassAttributes& attributes = Object::attributes;
        WNDCLASSEXW record = {};
        if (!GetClassInfoExW(nullptr, WideName(attributes.systemClass).text, &record))
            throw Core::WindowsError(GetLastError());
        const WideName name(attributes.name);
        registerRecord(record, name.text, &RegisterClassExW);
    }

    // The part of a registration that both record types share: the base
    // procedure kept, the class named and bound to this procedure.
    template <class Record, class Char>
    static void registerRecord(Record& record, const Char* name, ATOM(WINAPI* registration)(const Record*))
    {
        baseProc = record.lpfnWndProc;
        record.cbSize = sizeof(Record);
        record.lpszClassName = name;
        record.lpfnWndProc = windowProc;
        record.hInstance = moduleInstance;
        classAtom = registration(&record);
        if (classAtom == 0)
            throw Core::WindowsError(GetLastError());
    }

    template <class O>
    static auto routeCommand(O& object, WPARAM wParam, int) -> decltype(O::command(object, wParam))
    {
        return O::command(object, wParam);
    }
    template <class O>
    static bool routeCommand(O&, WPARAM, long)
    {
        return false;
    }

    static void registerClass()
    {
        const ClassAttributes& attributes = Object::attributes;
        if (attributes.unicode) {
            registerUnicodeSuperclass();
            return;
        }
        WNDCLASSEXA record = {};
        record.lpfnWndProc = DefWindowProcA;
        if (attributes.systemClass != nullptr) {
            if (!GetClassInfoExA(nullptr, attributes.systemClass, &record))
                throw Core::WindowsError(GetLastError());
        } else {
            record.style = attributes.style;
            if (attributes.cursor != nullptr)
                record.hCursor = LoadCursorA(nullptr, attributes.cursor);
            if (attributes.background != nullptr)
                record.hbrBackground = *attributes.background;
            if (attributes.icons) {
                record.hIcon = static_cast<HICON>(
                    LoadImageA(moduleInstance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
                record.hIconSm = static_cast<HICON>(
                    LoadImageA(moduleInstance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
            }
        }
        registerRecord(record, attributes.name, &RegisterClassExA);
    }
};

template <class Object>
ATOM WindowClass<Object>::classAtom = 0;
template <class Object>
WNDPROC WindowClass<Object>::baseProc = DefWindowProcA;

// The class backgrounds, made before the entry runs: the title band's first.
extern HBRUSH titleBandBrush;
extern HBRUSH mainWindowBrush;

} // namespace Toolkit
