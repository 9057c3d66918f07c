// The window program's entry point.
#include <windows.h>

#include "Entry.h"
#include "core/SystemLibrary.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    Core::searchSystemFolderOnly();
    return App::runProgram(instance, showCommand);
}
