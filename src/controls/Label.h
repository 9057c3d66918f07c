#pragma once

// A label: one line of text in its own font and colour.
#include <windows.h>

#include "core/String.h"
#include "toolkit/Window.h"

namespace Controls {

// One line of text in its own font and colour, in a window exactly its size.
struct LabelContents {
    explicit LabelContents(Toolkit::Window* label) : owner(label), font(nullptr), colour(0) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void setText(const char* newText);
    void setFont(HFONT newFont);
    void setColour(COLORREF newColour);
    void createAt(HWND parent, int x, int y);
    void sizeToText(int x, int y);
    void paint();

    Toolkit::Window* owner;
    Core::String text;
    HFONT font; // borrowed
    COLORREF colour;
};

class Label : public Toolkit::Window {
public:
    Label() : contents(this) {}
    HWND create(const Toolkit::CreateParams& params) override;

    LabelContents contents;
    static const Toolkit::ClassAttributes attributes;
};

} // namespace Controls
