// A fresh snapshot read into the index and searched as file names compare.
#include "ModuleSearch.h"

#include <tlhelp32.h>

#include "core/Errors.h"
#include "core/Handles.h"

namespace Windows {

// File names compare ordinally after both are upper-cased with the system's
// table: LCMapStringW's LCMAP_UPPERCASE follows the file system's casing
// rules unless asked for linguistic ones. The paths are folded once a
// snapshot, so that each text typed is one ordinal search of them all
// (FindStringOrdinal, which folds as it goes, was measured twenty times
// slower a keystroke under Wine).
void fold(const wchar_t* text, uint32_t length, General::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    into.appendRepeated(length + 1, L'\0');
    if (length != 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, static_cast<int>(length), into.items,
                                    static_cast<int>(length)) == 0)
        throw WindowsError(GetLastError());
}

void ModuleSearch::run(Wanted wanted, void* context)
{
    index.clear();
    folded.dropBack(folded.count);
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.handle == INVALID_HANDLE_VALUE)
        throw WindowsError(GetLastError());
    PROCESSENTRY32W record;
    record.dwSize = sizeof(record);
    if (!Process32FirstW(snapshot.handle, &record))
        return;
    while (Process32NextW(snapshot.handle, &record)) {
        uint32_t length = 0;
        while (length < MAX_PATH && record.szExeFile[length] != L'\0')
            ++length;
        if (wanted != nullptr && !wanted(record.th32ProcessID, record.szExeFile, length, context))
            continue;
        index.addProcess(record.th32ProcessID, record.szExeFile, length);
        const ModuleReader::Outcome outcome = reader.read(record.th32ProcessID);
        if (outcome == ModuleReader::Read) {
            for (uint32_t i = 0; i < reader.count(); ++i)
                index.addModule(reader.path(i), reader.length(i));
        } else if (const wchar_t* text = reasonText(outcome)) {
            index.setReason(text, static_cast<uint32_t>(lstrlenW(text)));
        } else {
            WindowsError(reader.error).wideText(reason);
            index.setReason(reason.items, reason.count - 1);
        }
    }
}

const wchar_t* ModuleSearch::foldedPaths()
{
    if (folded.count != index.paths.count + 1)
        fold(index.paths.items, index.paths.count, folded);
    return folded.items;
}

General::ModuleIndex::Counts ModuleSearch::filter(const wchar_t* text, uint32_t length,
                                                  General::Array<General::ModuleIndex::Row>& rows)
{
    const wchar_t* within = foldedPaths();
    fold(text, length, foldedText);
    return index.filter(foldedText.items, length, &General::findOrdinal, rows, within);
}

} // namespace Windows
