// The class backgrounds, made before the entry runs.
#include <windows.h>

#include "WindowClass.h"

using namespace Core;

namespace Toolkit {

namespace {

// Made at static initialisation and deleted at exit, in reverse order.
struct ClassBrush {
    explicit ClassBrush(COLORREF colour) : brush(CreateSolidBrush(colour))
    {
        if (brush == nullptr)
            throw WindowsError(GetLastError());
    }
    ~ClassBrush() { DeleteObject(brush); }
    HBRUSH brush;
};

ClassBrush titleBand(RGB(255, 255, 204));
ClassBrush mainWindow(RGB(231, 253, 153));

} // namespace

HBRUSH titleBandBrush = titleBand.brush;
HBRUSH mainWindowBrush = mainWindow.brush;

} // namespace Toolkit
