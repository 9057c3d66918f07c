#pragma once

#include <windows.h>

#include "controls/Label.h"
#include "controls/LinkLabel.h"
#include "controls/ModuleEditBox.h"
#include "controls/ModuleListBox.h"
#include "controls/ProcessListBox.h"
#include "controls/TitleBand.h"
#include "core/Handles.h"
#include "toolkit/Window.h"

namespace Windows {

class MainWindow;

// A font made by the contents and deleted by them alone; its height is
// given at 96 DPI.
struct Font {
    Font(int height, int weight, DWORD underline);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { DeleteObject(handle); }
    // Makes the font anew at dpi and hands back the handle it replaced, to be
    // deleted once no window draws with it.
    GdiObject remake(int dpi);

    int height;
    int weight;
    DWORD underline;
    HFONT handle;
};

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

    MainWindow* owner;
    // The child that last gained the focus.
    HWND lastFocus;
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
    // The list selections, the children's focus and the refresh command.
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
