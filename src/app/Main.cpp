#include <windows.h>

#include "MainWindow.h"
#include "core/Errors.h"
#include "resources/ResourceIds.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    Windows::moduleInstance = instance;
    try {
        Windows::MainWindow mainWindow;
        mainWindow.create(Windows::mainWindowParams());
        ShowWindow(mainWindow.handle, showCommand);
        HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
        Windows::runMessageLoop({mainWindow.handle, accelerators, mainWindow.handle});
    } catch (Windows::WindowsError& error) {
        // By now the main window and everything in it are gone.
        General::String text = error.ErrorText();
        MessageBoxA(nullptr, text.text(), "Fatal Error", MB_OK);
    }
    return 0;
}
