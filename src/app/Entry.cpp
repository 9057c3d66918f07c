#include "Entry.h"

#include <objbase.h>

#include "MainWindow.h"
#include "core/Errors.h"
#include "resources/ResourceIds.h"

namespace Windows {

int runProgram(HINSTANCE instance, int showCommand)
{
    moduleInstance = instance;
    // The shell's folder and property sheet need COM on this thread; without
    // it they fail and say so, and the rest goes on.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        MainWindow mainWindow;
        mainWindow.create(mainWindowParams());
        ShowWindow(mainWindow.handle, showCommand);
        HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
        runMessageLoop({mainWindow.handle, accelerators, mainWindow.handle});
    } catch (WindowsError& error) {
        // By now the main window and everything in it are gone.
        General::String text = error.ErrorText();
        MessageBoxA(nullptr, text.text(), "Fatal Error", MB_OK);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

} // namespace Windows
