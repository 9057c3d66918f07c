// Loads the DLL whose full path is its one argument, in any script and at
// any length, then waits to be ended, so that the program can list it:
//   names_helper.exe <dll path>
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 2)
        return 2;
    if (LoadLibraryW(arguments[1]) == nullptr)
        return 3;
    Sleep(180000);
    return 0;
}
