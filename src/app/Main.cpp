#include <windows.h>

#include "toolkit/Window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Windows::moduleInstance = instance;
    return 0;
}
