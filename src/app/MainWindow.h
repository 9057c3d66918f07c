#pragma once

#include <windows.h>

#include "ModuleFinder.h"
#include "RowTooltip.h"
#include "controls/Label.h"
#include "controls/LinkLabel.h"
#include "controls/ModuleEditBox.h"
#include "controls/ModuleListBox.h"
#include "controls/ProcessListBox.h"
#include "controls/TitleBand.h"
#include "core/Handles.h"
#include "toolkit/Font.h"
#include "toolkit/Window.h"

namespace Windows {

class MainWindow;

// Everything inside the main window. The children are destroyed from the
// last to the first, after the fonts.
struct MainWindowContents {
    MainWindowContents();
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void layOut();
    // Fonts, places and sizes of the children at dpi.
    void scaleTo(int dpi);
    void refreshModules();
    void showModulePath();
    // The find window, holding the selected module's file name.
    void openFinder();
    // Selects the process (refreshing the list when it lacks the process)
    // and its module of that UTF-16 path, and activates the window with the
    // module list focused. False, changing nothing, when the process has
    // ended.
    bool showModule(uint32_t processId, const wchar_t* path);

    MainWindow* owner;
    // The child that last gained the focus.
    HWND lastFocus;
    // Made when first opened; destroyed after the children, before the window.
    ModuleFinder finder;
    RowTooltip tooltip;
    ProcessListBox processListBox;
    ModuleListBox moduleListBox;
    ModuleEditBox pathBox;
    Label processesLabel;
    Label modulesLabel;
    Label pathLabel;
    Label refreshHint;
    LinkLabel homeLink;
    LinkLabel copyrightLink;
    TitleBand titleBand;
    Font listFont;
    Font headingFont;
    Font hintFont;
    Font linkFont;
};

class MainWindow : public Window {
public:
    MainWindow() { contents.owner = this; }
    ~MainWindow() override;
    HWND create(const CreateParams& params) override;
    // The list selections, the children's focus, the refresh and find
    // commands.
    static bool command(MainWindow& window, WPARAM wParam);

    MainWindowContents contents;
    static const struct ClassAttributes attributes;
};

// The creation record of the main window.
CreateParams mainWindowParams();

struct MessageLoopParams {
    HWND dialogWindow;
    HACCEL accelerators;
    HWND acceleratorWindow;
};

WPARAM runMessageLoop(const MessageLoopParams& params);

extern const char* const homePageAddress;
extern const char* const copyrightAddress;
extern const char* const copyrightNotice;

} // namespace Windows
