#pragma once

#include <windows.h>

#include <string>

namespace TestSupport {

// A process started from an executable's full path, waited for (up to 30 s)
// and its handles closed when the scope ends.
struct StartedProcess {
    StartedProcess(const std::string& exePath, const std::string& arguments);
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;
    ~StartedProcess();

    bool started;
    PROCESS_INFORMATION info = {};
};

// A command line run to its end (up to 60 s) with its output read through a
// pipe: standard output, and standard error too when asked, else this
// process's own.
struct CapturedRun {
    bool started;
    DWORD error;    // GetLastError of a refused start
    DWORD exitCode;
    std::string output;
};
CapturedRun runCapturingOutput(std::string commandLine, bool withErrors);

// A manual-reset event with a name of this process's own, for a helper.
struct NamedEvent {
    explicit NamedEvent(const std::string& kind);
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;
    ~NamedEvent();

    std::string name;
    HANDLE handle;
};

} // namespace TestSupport

namespace TestSupport {

// How many handles this process holds, as the system's handle list counts
// them (Wine's GetProcessHandleCount answers 0 whatever is held); -1 when
// the list cannot be read.
long ownHandleCount();

} // namespace TestSupport
