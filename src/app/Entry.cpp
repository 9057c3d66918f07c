// The window program's whole run, apart from its entry point.
#include "Entry.h"

#include <objbase.h>

#include "MainWindow.h"
#include "ProcessReference.h"
#include "core/Errors.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/MessageLoop.h"

using namespace Core;
using namespace Toolkit;

namespace App {

int runProgram(HINSTANCE instance, int showCommand)
{
    moduleInstance = instance;
    // The shell's folder and property sheet need COM on this thread; without
    // it they fail and say so, and the rest goes on.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        // A property sheet still open keeps the process until it closes.
        ProcessReference reference;
        try {
            MainWindow mainWindow;
            mainWindow.create(mainWindowParams());
            ShowWindow(mainWindow.handle, showCommand);
            runMessageLoop();
        } catch (WindowsError& error) {
            // By now the main window and everything in it are gone.
            tellError(nullptr, error.code, "Fatal Error", 0);
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

} // namespace App
