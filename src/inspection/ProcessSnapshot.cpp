// A fresh snapshot of the running processes, read record by record.
#include "ProcessSnapshot.h"

#include "core/Errors.h"
#include "core/Handles.h"

using namespace Core;

namespace Inspection {

void readSnapshot(void (*each)(const PROCESSENTRY32W& record, void* context), void* context)
{
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        throw WindowsError(GetLastError());
    // The UTF-16 records: the 8-bit ones convert the name into 260 bytes,
    // which cut a long name in a multi-byte code page, mid-character even.
    PROCESSENTRY32W record;
    record.dwSize = sizeof(record);
    // The snapshot's first record is not listed.
    if (!Process32FirstW(snapshot.get(), &record))
        return;
    while (Process32NextW(snapshot.get(), &record))
        each(record, context);
}

} // namespace Inspection
