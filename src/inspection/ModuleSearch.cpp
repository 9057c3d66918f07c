#include "ModuleSearch.h"

#include <tlhelp32.h>

#include "core/Errors.h"
#include "core/Handles.h"

namespace Windows {

namespace {

using FindOrdinal = int(WINAPI*)(DWORD, LPCWSTR, int, LPCWSTR, int, BOOL);
const DWORD findFromStart = 0x00400000;

// The function of the search under way: the filter's callback takes no
// context.
FindOrdinal findOrdinal = nullptr;

uint32_t foundOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength)
{
    if (textLength == 0)
        return General::ModuleIndex::none;
    const int at = findOrdinal(findFromStart, within, static_cast<int>(length), text, static_cast<int>(textLength), TRUE);
    return at >= 0 ? static_cast<uint32_t>(at) : General::ModuleIndex::none;
}

} // namespace

void fold(const wchar_t* text, uint32_t length, General::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    into.appendRepeated(length + 1, L'\0');
    if (length != 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, static_cast<int>(length), into.items,
                                    static_cast<int>(length)) == 0)
        throw WindowsError(GetLastError());
}

ModuleSearch::ModuleSearch()
    // Windows 7 and later; looked up so that each build still starts on its
    // oldest Windows.
    : findStringOrdinal(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "FindStringOrdinal")))
{
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
        } else if (const wchar_t* text = reasonTextW(outcome)) {
            index.setReason(text, static_cast<uint32_t>(lstrlenW(text)));
        } else {
            WindowsError(reader.error).wideText(reason);
            index.setReason(reason.items, reason.count - 1);
        }
    }
}

General::ModuleIndex::Counts ModuleSearch::filter(const wchar_t* text, uint32_t length,
                                                  General::Array<General::ModuleIndex::Row>& rows)
{
    if (findStringOrdinal != nullptr) {
        findOrdinal = reinterpret_cast<FindOrdinal>(findStringOrdinal);
        return index.filter(text, length, &foundOrdinal, rows);
    }
    // Folded once for all the texts searched in this index.
    if (folded.count != index.paths.count + 1)
        fold(index.paths.items, index.paths.count, folded);
    fold(text, length, foldedText);
    return index.filter(foldedText.items, length, &General::findOrdinal, rows, folded.items);
}

} // namespace Windows
