// The common controls' classes from the system folder's comctl32.
#include "CommonControls.h"

#include <commctrl.h>

#include "core/SystemLibrary.h"

using namespace Core;

namespace Toolkit {

bool useCommonControls(DWORD classes)
{
    static const SystemLibrary comctl32(L"comctl32.dll");
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = comctl32.find<Init>("InitCommonControlsEx");
    const INITCOMMONCONTROLSEX asked = {sizeof(asked), classes};
    return init != nullptr && init(&asked);
}

} // namespace Toolkit
