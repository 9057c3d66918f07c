// A row's tooltip text from what was read of it.
#include "RowTip.h"

#include "RowWriter.h"
#include "core/Text.h"

namespace Rows {

namespace {

void text(Core::Array<wchar_t>& into, const wchar_t* words)
{
    for (; *words != L'\0'; ++words)
        into.appendRepeated(1, *words);
}

void line(Core::Array<wchar_t>& into) { text(into, L"\r\n"); }

void hex(Core::Array<wchar_t>& into, uint64_t value)
{
    text(into, L"0x");
    const int digits = value > 0xFFFFFFFFu ? 16 : 8;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        into.appendRepeated(1, L"0123456789ABCDEF"[(value >> shift) & 0xF]);
}

void field(Core::Array<wchar_t>& into, const wchar_t* label, const wchar_t* value)
{
    text(into, label);
    text(into, value != nullptr && *value != L'\0' ? value : L"(none)");
}

void finish(Core::Array<wchar_t>& into) { into.appendRepeated(1, L'\0'); }

} // namespace

void processTip(const ProcessReadings& readings, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    text(into, readings.name);
    line(into);
    text(into, L"PID ");
    appendNumber(into, readings.processId);
    text(into, L", parent PID ");
    appendNumber(into, readings.parentId);
    if (readings.bits != 0) {
        text(into, readings.bits == 32 ? L", 32-bit" : L", 64-bit");
    }
    line(into);
    if (readings.path != nullptr)
        text(into, readings.path);
    else
        text(into, readings.ended ? L"The process has ended." : L"Its image path cannot be read.");
    if (readings.services != nullptr && *readings.services != L'\0') {
        line(into);
        text(into, L"Services: ");
        text(into, readings.services);
    }
    finish(into);
}

void moduleTip(const ModuleReadings& readings, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    text(into, readings.path);
    line(into);
    if (readings.reading) {
        text(into, L"Reading the version resource...");
    } else if (readings.versioned) {
        field(into, L"Version ", readings.fileVersion);
        line(into);
        field(into, L"Company: ", readings.company);
        line(into);
        field(into, L"Description: ", readings.description);
    } else {
        text(into, L"No version resource.");
    }
    line(into);
    if (readings.signature != nullptr) {
        text(into, readings.signature);
        line(into);
    }
    if (readings.placed) {
        text(into, L"Base ");
        hex(into, readings.base);
        text(into, L", size ");
        appendNumber(into, readings.size);
        text(into, L" bytes");
    } else {
        text(into, readings.ended ? L"The process has ended." : L"Its place in the process cannot be read.");
    }
    finish(into);
}

const wchar_t* reasonTip(const wchar_t* rowText)
{
    if (rowText == nullptr)
        return nullptr;
    const wchar_t* denied = L"Access Denied";
    const wchar_t* unavailable = L"Process Unavailable";
    if (Core::sameText(rowText, denied))
        return L"The process could not be opened, even with the debug privilege.";
    if (Core::sameText(rowText, unavailable))
        return L"The process has ended, or its modules could not be listed.";
    return nullptr;
}

} // namespace Rows
