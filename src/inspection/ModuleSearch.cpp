// A fresh snapshot read into the index and searched as file names compare.
#include "ModuleSearch.h"
#include "core/Text.h"

#include <tlhelp32.h>

#include "ProcessSnapshot.h"

#include "core/Errors.h"
#include "core/Handles.h"
#include "core/WideText.h"

using namespace Core;

namespace Inspection {

// File names compare ordinally after both are upper-cased with the system's
// table: LCMapStringW's LCMAP_UPPERCASE follows the file system's casing
// rules unless asked for linguistic ones. The paths are folded once a
// snapshot, so that each text typed is one ordinal search of them all
// (FindStringOrdinal, which folds as it goes, was measured twenty times
// slower a keystroke under Wine).

void ModuleSearch::run(Wanted wanted, void* context)
{
    index.clear();
    folded.dropBack(folded.count);
    eachProcess([this, wanted, context](const PROCESSENTRY32W& record) {
        uint32_t length = 0;
        while (length < MAX_PATH && record.szExeFile[length] != L'\0')
            ++length;
        if (wanted != nullptr && !wanted(record.th32ProcessID, record.szExeFile, length, context))
            return;
        index.addProcess(record.th32ProcessID, record.szExeFile, length);
        const ModuleReader::Outcome outcome = reader.read(record.th32ProcessID);
        if (outcome == ModuleReader::Read) {
            for (uint32_t i = 0; i < reader.count(); ++i)
                index.addModule(reader.path(i), reader.length(i));
        } else if (const wchar_t* text = reasonText(outcome)) {
            index.setReason(text, Core::textLength(text));
        } else {
            WindowsError(reader.error).wideText(reason);
            index.setReason(reason.items, reason.count - 1);
        }
    });
}

const wchar_t* ModuleSearch::foldedPaths()
{
    if (folded.count != index.paths.count + 1)
        fold(index.paths.items, index.paths.count, folded);
    return folded.items;
}

Inspection::ModuleIndex::Counts ModuleSearch::filter(const wchar_t* text, uint32_t length,
                                                  Core::Array<Inspection::ModuleIndex::Row>& rows)
{
    const wchar_t* within = foldedPaths();
    fold(text, length, foldedText);
    return index.filter(foldedText.items, length, &Inspection::findOrdinal, rows, within);
}

} // namespace Inspection
