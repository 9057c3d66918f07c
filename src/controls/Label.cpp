// A label sized to its text, drawn in its font and colour.
#include "Label.h"

#include "core/Handles.h"
#include "toolkit/WindowClass.h"

using namespace Core;
using namespace Toolkit;

namespace Controls {

const ClassAttributes Label::attributes = {"Label", nullptr, CS_HREDRAW | CS_VREDRAW, nullptr, nullptr, false, false};

HWND Label::create(const CreateParams& params) { return WindowClass<Label>::create(*this, params); }

LRESULT LabelContents::handleMessage(UINT message, WPARAM, LPARAM)
{
    if (message == WM_PAINT) {
        paint();
        return 1;
    }
    return 0;
}

void LabelContents::setText(const char* newText)
{
    text.assignText(newText);
    if (owner->handle != nullptr)
        UpdateWindow(owner->handle);
}

void LabelContents::setFont(HFONT newFont)
{
    font = newFont;
    if (owner->handle != nullptr)
        UpdateWindow(owner->handle);
}

void LabelContents::setColour(COLORREF newColour) { colour = newColour; }

void LabelContents::createAt(HWND parent, int x, int y)
{
    // Made with no size; sizeToText gives it the text's.
    owner->create(childParams(parent, 0, x, y, 0, 0, WS_CHILD | WS_VISIBLE, 0));
    sizeToText(x, y);
}

void LabelContents::sizeToText(int x, int y)
{
    SIZE extent;
    {
        WindowDc dc(owner->handle);
        SelectObject(dc.dc, font);
        if (!GetTextExtentPoint32A(dc.dc, text.text(), static_cast<int>(text.count - 1), &extent))
            throw WindowsError(GetLastError());
    }
    MoveWindow(owner->handle, x, y, extent.cx, extent.cy, TRUE);
}

void LabelContents::paint()
{
    PaintScope paint(owner->handle);
    SelectObject(paint.dc, font);
    SetBkMode(paint.dc, TRANSPARENT);
    SetTextColor(paint.dc, colour);
    TextOutA(paint.dc, 0, 0, text.text(), static_cast<int>(text.count - 1));
}

} // namespace Controls
