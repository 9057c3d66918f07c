#include <windows.h>

#include "Entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    return Windows::runProgram(instance, showCommand);
}
