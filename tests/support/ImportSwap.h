#pragma once

#include <windows.h>

namespace TestSupport {

// For its lifetime, points one entry of this executable's import table at a
// replacement, so that the code under test calls the replacement instead of
// the system's function; the original comes back when the scope ends.
class ImportSwap {
public:
    ImportSwap(const char* module, const char* function, void* replacement);
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;
    ~ImportSwap();

    // What the entry holds now.
    static void* current(const char* module, const char* function);

    // The system's function, for replacements that pass a call through.
    template <class F>
    F original() const { return reinterpret_cast<F>(saved); }

private:
    void** slot;
    void* saved;
};

} // namespace TestSupport
