#pragma once

// The main window: the processes, the selected one's modules, the selected
// module's path, the title band and the links; the find window and the
// lists' tooltip hang from it.
#include <windows.h>

#include "ListCommands.h"
#include "ModuleFinder.h"
#include "RowTooltip.h"
#include "controls/Label.h"
#include "controls/LinkLabel.h"
#include "controls/ModuleEditBox.h"
#include "controls/ModuleListBox.h"
#include "controls/ProcessListBox.h"
#include "controls/TitleBand.h"
#include "toolkit/Font.h"
#include "toolkit/PrivateMessages.h"
#include "toolkit/TopLevel.h"
#include "toolkit/Window.h"

namespace App {

class MainWindow;

// The window's outer size at 96 DPI, frame included.
const SIZE mainWindowSize = {467, 430};

// The children's ids.
enum MainChildId { ProcessListId = 1001, ModuleListId = 1002, PathBoxId = 1003 };

// Everything inside the main window. The children are destroyed from the
// last to the first, after the fonts.
struct MainWindowContents : Toolkit::TopLevelContents, ResultTarget {
    MainWindowContents();
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void layOut();
    void scaleTo(int dpi) override;
    void refreshModules();
    void showModulePath();
    // The find window, holding the selected module's file name.
    void openFinder();
    // Selects the process (refreshing the list when it lacks the process)
    // and its module of that UTF-16 path, and activates the window with the
    // module list focused.
    bool showModule(uint32_t processId, const wchar_t* path) override;
    // The two lists, for their commands.
    MainLists lists();

    MainWindow* owner;
    // Module files' versions and signatures, read on a thread of their own
    // for the tooltip and the find window; it outlives both.
    Details::DetailsCache details;
    // Made when first opened; destroyed after the children, before the window.
    ModuleFinder finder;
    RowTooltip tooltip;
    Controls::ProcessListBox processListBox;
    Controls::ModuleListBox moduleListBox;
    Controls::ModuleEditBox pathBox;
    Controls::Label processesLabel;
    Controls::Label modulesLabel;
    Controls::Label pathLabel;
    Controls::Label refreshHint;
    Controls::LinkLabel homeLink;
    Controls::LinkLabel copyrightLink;
    Controls::TitleBand titleBand;
    Toolkit::Font listFont;
    Toolkit::Font headingFont;
    Toolkit::Font hintFont;
    Toolkit::Font linkFont;
};

class MainWindow : public Toolkit::Window {
public:
    MainWindow() { contents.owner = this; }
    ~MainWindow() override;
    HWND create(const Toolkit::CreateParams& params) override;
    // The list selections, the children's focus, the refresh, find and copy
    // commands.
    static bool command(MainWindow& window, WPARAM wParam);

    MainWindowContents contents;
    static const Toolkit::ClassAttributes attributes;
};

// The creation record of the main window.
Toolkit::CreateParams mainWindowParams();

extern const char* const homePageAddress;
extern const char* const copyrightAddress;
extern const char* const copyrightNotice;

} // namespace App
