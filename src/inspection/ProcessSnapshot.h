#pragma once

// The one reader of process snapshots, for the process list and the search.
#include <windows.h>
#include <tlhelp32.h>

namespace Inspection {

// The one reader of process snapshots: each record of a fresh snapshot but
// its first (the idle process, which no list shows), in the snapshot's
// order. A snapshot that cannot be taken raises WindowsError.
void readSnapshot(void (*each)(const PROCESSENTRY32W& record, void* context), void* context);
template <class Each>
void eachProcess(Each each)
{
    readSnapshot([](const PROCESSENTRY32W& record, void* context) { (*static_cast<Each*>(context))(record); }, &each);
}

} // namespace Inspection
