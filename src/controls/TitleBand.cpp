#include "TitleBand.h"

#include "core/Handles.h"
#include "resources/ResourceIds.h"
#include "toolkit/WindowClass.h"

namespace Windows {

const ClassAttributes TitleBand::attributes = {"TitleBand", nullptr, CS_HREDRAW | CS_VREDRAW, nullptr,
                                               &titleBandBrush, false, false};

HWND TitleBand::create(const CreateParams& params) { return WindowClass<TitleBand>::create(*this, params); }

LRESULT TitleBandContents::handleMessage(UINT message, WPARAM, LPARAM)
{
    if (message == WM_PAINT) {
        paint();
        return 1;
    }
    return 0;
}

HWND TitleBandContents::createChild(HWND parent, int x, int y, int width, int height)
{
    return owner->create(childParams(parent, 0, x, y, width, height, WS_CHILD | WS_VISIBLE, 0));
}

void TitleBandContents::paint()
{
    // Declared first, so the pen is deleted after EndPaint.
    GdiObject pen(CreatePen(PS_SOLID, 1, RGB(204, 204, 204)));
    PaintScope paint(owner->handle);
    SelectObject(paint.dc, pen.object);

    RECT client;
    GetClientRect(owner->handle, &client);
    MoveToEx(paint.dc, 0, 0, nullptr);
    LineTo(paint.dc, client.right - 1, 0);
    MoveToEx(paint.dc, client.right - 1, client.bottom - 1, nullptr);
    LineTo(paint.dc, -1, client.bottom - 1);

    // Selected out again before it is deleted: a selected bitmap is not.
    MemoryDc memory(paint.dc);
    GdiObject banner(LoadImageA(moduleInstance, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    HGDIOBJ previous = SelectObject(memory.dc, banner.object);
    BitBlt(paint.dc, 0, 5, 258, 24, memory.dc, 0, 0, SRCCOPY);
    SelectObject(memory.dc, previous);
}

} // namespace Windows
