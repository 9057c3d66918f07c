#pragma once

// DLLs taken from the system folder by their full path, never by name.
#include <windows.h>

namespace Core {

// A DLL taken from the system folder by its full path, never by bare name:
// a DLL of the same name beside the program, in the current folder or on
// PATH never runs in this process, elevated or not. Freed when the holder
// ends; a DLL that cannot be had leaves `module` null and every lookup null.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name);
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    ~SystemLibrary();

    // Kept loaded for the rest of the process: the holder lets go of it.
    HMODULE release()
    {
        const HMODULE kept = module;
        module = nullptr;
        return kept;
    }

    template <class Function>
    Function find(const char* name) const
    {
        return module != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                                 : nullptr;
    }

    HMODULE module;
};

// Where the platform allows it (Windows 8, or 7 and Vista with their loader
// update), every DLL loaded later, by this program or by the DLLs it loads, is
// searched for in the system folder alone; elsewhere the current folder is
// taken out of the search. Called first thing by each entry.
void searchSystemFolderOnly();

} // namespace Core
