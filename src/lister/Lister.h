#pragma once

// The console lister's whole run over its command line (the program's name
// first), writing to the standard handles; returns the exit code.
int runLister(int count, wchar_t** arguments);
