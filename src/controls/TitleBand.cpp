// The title band: its lines and banner at any DPI.
#include "TitleBand.h"

#include "core/Handles.h"
#include "resources/ResourceIds.h"
#include "toolkit/Dpi.h"
#include "toolkit/WindowClass.h"

using namespace Core;
using namespace Toolkit;

namespace Controls {

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
    SelectObject(paint.dc, pen.get());

    // A pixel thick at 96 DPI, a row more for each further pixel of the
    // scaling. A line leaves out its end point: the top one stops a pixel
    // short of the right edge.
    RECT client;
    GetClientRect(owner->handle, &client);
    for (int row = 0; row < scaled(1, dpi); ++row) {
        MoveToEx(paint.dc, 0, row, nullptr);
        LineTo(paint.dc, client.right - 1, row);
        MoveToEx(paint.dc, client.right - 1, client.bottom - 1 - row, nullptr);
        LineTo(paint.dc, -1, client.bottom - 1 - row);
    }

    // Above 96 DPI the banner drawn at twice the size, shrunk to the scaling
    // with the platform's smoothing. Selected out again before it is
    // deleted: a selected bitmap is not.
    const int factor = dpi > 96 ? 2 : 1;
    MemoryDc memory(CreateCompatibleDC(paint.dc));
    GdiObject banner(LoadImageA(moduleInstance, MAKEINTRESOURCEA(factor == 2 ? IDB_BANNER_2X : IDB_BANNER),
                                IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    HGDIOBJ previous = SelectObject(memory.get(), banner.get());
    if (dpi == 96) {
        BitBlt(paint.dc, 0, 5, 258, 24, memory.get(), 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(paint.dc, HALFTONE);
        SetBrushOrgEx(paint.dc, 0, 0, nullptr);
        StretchBlt(paint.dc, 0, scaled(5, dpi), scaled(258, dpi), scaled(24, dpi), memory.get(), 0, 0, 258 * factor,
                   24 * factor, SRCCOPY);
    }
    SelectObject(memory.get(), previous);
}

} // namespace Controls
