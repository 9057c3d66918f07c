#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "inspection/RowDetails.h"

namespace Windows {

struct MainWindowContents;

// The tooltip over both lists of the main window: what the row under the
// pointer is, read when the tip is about to show. It is owned by the main
// window and dies with it.
class RowTooltip {
public:
    // Made over both lists; a tooltip the system refuses leaves the lists
    // without tips, and nothing else changes.
    void create(MainWindowContents& window);
    // The tip's text, asked by TTN_GETDISPINFOW.
    void giveText(MainWindowContents& window, NMTTDISPINFOW& info);

    HWND handle = nullptr;

private:
    RowDetails details;
    uint32_t snapshot = 0; // the process list's refill the versions kept are of
};

} // namespace Windows
