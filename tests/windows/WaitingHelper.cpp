// Sets the event named first on its command line once it runs, then waits
// for the second one, so a test can inspect a second, live process.
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE finish = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (ready == nullptr || finish == nullptr)
        return 3;
    SetEvent(ready);
    WaitForSingleObject(finish, 120000);
    CloseHandle(finish);
    CloseHandle(ready);
    return 0;
}
