// The shipped program's entry with module reads served in process, for
// start-up timing where Wine cannot read another process's memory.
#include <windows.h>

#include "support/InProcessModules.h"
#include "app/Entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    TestSupport::InProcessModules modules;
    return App::runProgram(instance, show);
}
