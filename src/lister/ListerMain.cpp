// The console lister's entry point.
#include "Lister.h"
#include "core/SystemLibrary.h"

int wmain(int count, wchar_t** arguments)
{
    Core::searchSystemFolderOnly();
    return runLister(count, arguments);
}
