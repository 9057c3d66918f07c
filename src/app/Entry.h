#pragma once

// The window program's run, from its entry point to the fatal-error report.
#include <windows.h>

namespace App {

// The whole run: build and show the main window, run the loop, tear down,
// and report a platform failure in the "Fatal Error" box. Returns 0.
int runProgram(HINSTANCE instance, int showCommand);

} // namespace App
