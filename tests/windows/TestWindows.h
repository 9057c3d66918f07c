#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Window.h"
#include "toolkit/WindowClass.h"

namespace TestSupport {

// A window object over a plain system list box, for the list logic alone.
class PlainListBox : public Toolkit::Window {
public:
    PlainListBox()
    {
        handle = CreateWindowExA(0, "LISTBOX", nullptr, WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    HWND create(const Toolkit::CreateParams&) override { return handle; }

    std::vector<std::string> rows() const
    {
        std::vector<std::string> texts;
        const int count = static_cast<int>(SendMessageA(handle, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            char text[1024] = "";
            SendMessageA(handle, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }
    int selection() const { return static_cast<int>(SendMessageA(handle, LB_GETCURSEL, 0, 0)); }
    LRESULT itemData(int row) const { return SendMessageA(handle, LB_GETITEMDATA, row, 0); }
};

// A class as if never registered, whatever ran before in this process. Not
// for a class with a background brush of its own: the system deletes it.
template <class Object>
void unregistered()
{
    UnregisterClassA(Object::attributes.name, GetModuleHandleA(nullptr));
    Toolkit::WindowClass<Object>::classAtom = 0;
}

} // namespace TestSupport
