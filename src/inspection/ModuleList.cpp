// The module list's rows, filled from the one reader.
#include "ModuleList.h"

#include <utility>

#include "core/FileName.h"
#include "ListRows.h"
#include "core/Errors.h"
#include "core/WideText.h"

using namespace Core;

namespace Inspection {

namespace {

// In a double-byte code page a character's second byte can be 0x5C; the split
// walks such a path a character at a time. UTF-8 and single-byte code pages
// have no lead bytes.
bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

} // namespace

ModuleEntry::ModuleEntry(const char* fullPath)
    : path(fullPath), nameOffset(Core::fileNameOffset(fullPath, &isLeadByte))
{
}

ModuleEntry::ModuleEntry(const char* fullPath, const wchar_t* wide, uint32_t wideLength) : ModuleEntry(fullPath)
{
    widePath.appendRange(wide, wideLength);
    widePath.appendRepeated(1, L'\0');
}

const wchar_t* ModuleEntry::wideName(uint32_t& length) const
{
    uint32_t start = widePath.count;
    while (start > 0 && widePath[start - 1] != L'\\')
        --start;
    length = widePath.count > start ? widePath.count - start - 1 : 0;
    return widePath.count > start ? widePath.items + start : L"";
}

void ModuleList::fill(uint32_t processId)
{
    HWND box = listBox->handle;
    ListRows::DrawingSuspended drawing(box);
    entries.dropBack(entries.count);
    ListRows::removeAll(box);

    this->processId = processId;
    outcome = reader.read(processId);
    if (outcome == ModuleReader::Failed)
        throw WindowsError(reader.error);
    if (outcome != ModuleReader::Read) {
        ListRows::add(box, reasonText(outcome));
        return;
    }
    Core::String text;
    for (uint32_t i = 0; i < reader.count(); ++i) {
        narrowText(reader.path(i), reader.length(i), text);
        add(text.text(), reader.path(i), reader.length(i), reader.module(i));
    }
    ListRows::select(box, 0);
}

void ModuleList::add(const char* path)
{
    ListRows::addEntry(listBox->handle, entries, Core::OwnerPtr<ModuleEntry>(new ModuleEntry(path)),
                       [](const ModuleEntry& entry) { return entry.path.text() + entry.nameOffset; });
}

void ModuleList::add(const char* path, const wchar_t* widePath, uint32_t wideLength, HMODULE module)
{
    Core::OwnerPtr<ModuleEntry> entry(new ModuleEntry(path, widePath, wideLength));
    entry->module = module;
    ListRows::addEntry(listBox->handle, entries, std::move(entry),
                       [](const ModuleEntry& entry) { return entry.path.text() + entry.nameOffset; });
}

void ModuleList::selectPath(const wchar_t* path)
{
    for (uint32_t i = 0; i < entries.count; ++i) {
        const Core::Array<wchar_t>& wide = entries[i]->widePath;
        uint32_t k = 0;
        while (k < wide.count && wide[k] == path[k] && path[k] != L'\0')
            ++k;
        if (k + 1 == wide.count && path[k] == L'\0') {
            selectEntry(i);
            return;
        }
    }
}

} // namespace Inspection
