// A row's tooltip text from what was read of it.
#include "RowTip.h"

#include "RowWriter.h"
#include "core/Text.h"

namespace Rows {

using namespace Core;

namespace {

void line(Array<wchar_t>& into) { appendText(into, L"\r\n"); }

void hex(Array<wchar_t>& into, uint64_t value)
{
    appendText(into, L"0x");
    const int digits = value > 0xFFFFFFFFu ? 16 : 8;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        into.appendRepeated(1, L"0123456789ABCDEF"[(value >> shift) & 0xF]);
}

void field(Array<wchar_t>& into, const wchar_t* label, const wchar_t* value)
{
    appendText(into, label);
    appendText(into, value != nullptr && *value != L'\0' ? value : L"(none)");
}

void finish(Array<wchar_t>& into) { into.appendRepeated(1, L'\0'); }

} // namespace

void processTip(const ProcessReadings& readings, Array<wchar_t>& into)
{
    into.dropBack(into.count);
    appendText(into, readings.name);
    line(into);
    appendText(into, L"PID ");
    appendNumber(into, readings.processId);
    appendText(into, L", parent PID ");
    appendNumber(into, readings.parentId);
    if (readings.bits != 0)
        appendText(into, readings.bits == 32 ? L", 32-bit" : L", 64-bit");
    line(into);
    if (readings.path != nullptr)
        appendText(into, readings.path);
    else
        appendText(into, readings.ended ? L"The process has ended." : L"Its image path cannot be read.");
    if (readings.services != nullptr && *readings.services != L'\0') {
        line(into);
        appendText(into, L"Services: ");
        appendText(into, readings.services);
    }
    finish(into);
}

void moduleTip(const ModuleReadings& readings, Array<wchar_t>& into)
{
    into.dropBack(into.count);
    appendText(into, readings.path);
    line(into);
    if (readings.reading) {
        appendText(into, L"Reading the version resource...");
    } else if (readings.versioned) {
        field(into, L"Version ", readings.fileVersion);
        line(into);
        field(into, L"Company: ", readings.company);
        line(into);
        field(into, L"Description: ", readings.description);
    } else {
        appendText(into, L"No version resource.");
    }
    line(into);
    if (readings.signature != nullptr) {
        appendText(into, readings.signature);
        line(into);
    }
    if (readings.placed) {
        appendText(into, L"Base ");
        hex(into, readings.base);
        appendText(into, L", size ");
        appendNumber(into, readings.size);
        appendText(into, L" bytes");
    } else {
        appendText(into, readings.ended ? L"The process has ended." : L"Its place in the process cannot be read.");
    }
    finish(into);
}

const wchar_t* reasonTip(const wchar_t* rowText)
{
    if (rowText == nullptr)
        return nullptr;
    if (sameText(rowText, L"Access Denied"))
        return L"The process could not be opened, even with the debug privilege.";
    if (sameText(rowText, L"Process Unavailable"))
        return L"The process has ended, or its modules could not be listed.";
    return nullptr;
}

} // namespace Rows
