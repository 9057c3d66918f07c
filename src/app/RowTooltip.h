#pragma once

// The tooltip over the main window's two lists: what the row under the
// pointer is, read when the tip is about to show.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "details/DetailsCache.h"
#include "inspection/ModuleList.h"
#include "inspection/ProcessList.h"
#include "app/RowDetails.h"

namespace App {

// Owned by the window of the lists, it dies with it.
class RowTooltip {
public:
    // Made over both lists; a tooltip the system refuses leaves the lists
    // without tips, and nothing else changes.
    void create(HWND owner, Inspection::ProcessList& processes, Inspection::ModuleList& modules, Details::DetailsCache& signatures);
    // The tip's text, asked by TTN_GETDISPINFOW.
    void giveText(NMTTDISPINFOW& info);
    // An answer arrived: a tip showing asks for its text again.
    void update();

    HWND handle = nullptr;

private:
    Inspection::ProcessList* processes = nullptr;
    Inspection::ModuleList* modules = nullptr;
    Details::DetailsCache* signatures = nullptr;
    RowDetails details;
};

} // namespace App
