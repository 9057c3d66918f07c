#pragma once

// The program's own window messages, every one in the range below: above
// WM_APP, so that no system or control message takes the same number, and
// in one block, so that a new one is seen to be free.
#include <windows.h>

namespace Toolkit {

const UINT privateMessagesFirst = WM_APP + 0x3A00;
const UINT privateMessagesLast = WM_APP + 0x3AFF;

// Sent to a top-level window with a keyboard message (lParam: MSG*) before
// it is dispatched; a window that took it as one of its keys answers
// nonzero.
const UINT WM_TAKEKEYS = privateMessagesFirst + 0;
// Posted to the main window by the details cache when answers arrived.
const UINT WM_DETAILSREAD = privateMessagesFirst + 1;

} // namespace Toolkit
