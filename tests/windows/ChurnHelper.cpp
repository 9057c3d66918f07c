// Keeps short-lived copies of itself coming and going until the event named
// on its command line is set, so that a test can refresh over a changing
// process set. A copy started with "child" sleeps briefly and exits.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (std::strcmp(argv[1], "child") == 0) {
        Sleep(20 + GetCurrentProcessId() % 180);
        return 0;
    }
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (stop == nullptr)
        return 3;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char command[MAX_PATH + 16];
    HANDLE children[4];
    DWORD alive = 0;
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        if (alive == 4) {
            const DWORD done = WaitForMultipleObjects(alive, children, FALSE, 1000);
            if (done < WAIT_OBJECT_0 + alive) {
                CloseHandle(children[done - WAIT_OBJECT_0]);
                children[done - WAIT_OBJECT_0] = children[--alive];
            }
            continue;
        }
        lstrcpyA(command, "\"");
        lstrcatA(command, self);
        lstrcatA(command, "\" child");
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            return 4;
        CloseHandle(started.hThread);
        children[alive++] = started.hProcess;
    }
    WaitForMultipleObjects(alive, children, TRUE, 5000);
    for (DWORD i = 0; i < alive; ++i)
        CloseHandle(children[i]);
    CloseHandle(stop);
    return 0;
}
