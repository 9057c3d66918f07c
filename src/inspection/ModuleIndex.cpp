#include "ModuleIndex.h"

namespace General {

bool containsOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength)
{
    if (textLength == 0 || textLength > length)
        return false;
    const wchar_t first = text[0];
    const uint32_t last = length - textLength;
    for (uint32_t i = 0; i <= last; ++i) {
        if (within[i] != first)
            continue;
        uint32_t k = 1;
        while (k < textLength && within[i + k] == text[k])
            ++k;
        if (k == textLength)
            return true;
    }
    return false;
}

void ModuleIndex::clear()
{
    processes.dropBack(processes.count);
    modules.dropBack(modules.count);
    text.dropBack(text.count);
}

uint32_t ModuleIndex::append(const wchar_t* source, uint32_t length)
{
    const uint32_t start = text.count;
    text.appendRange(source, length);
    text.appendRepeated(1, L'\0');
    return start;
}

void ModuleIndex::addProcess(uint32_t processId, const wchar_t* name, uint32_t length)
{
    const Process process = {processId, append(name, length), none, modules.count, 0};
    processes.appendRepeated(1, process);
}

void ModuleIndex::addModule(const wchar_t* path, uint32_t length)
{
    const Module module = {append(path, length), length};
    modules.appendRepeated(1, module);
    ++processes[processes.count - 1].moduleCount;
}

void ModuleIndex::setReason(const wchar_t* reason, uint32_t length)
{
    processes[processes.count - 1].reason = append(reason, length);
}

ModuleIndex::Counts ModuleIndex::filter(const wchar_t* search, uint32_t length, Contains contains,
                                        Array<Row>& rows, const wchar_t* within) const
{
    rows.dropBack(rows.count);
    Counts counts = {0, 0, 0};
    if (length == 0)
        return counts;
    const wchar_t* block = within != nullptr ? within : text.items;
    for (uint32_t p = 0; p < processes.count; ++p) {
        const Process& process = processes[p];
        const uint32_t before = rows.count;
        for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m) {
            if (contains(block + modules[m].path, modules[m].length, search, length))
                rows.appendRepeated(1, Row{p, m});
        }
        if (rows.count != before) {
            counts.modules += rows.count - before;
            ++counts.processes;
        }
    }
    for (uint32_t p = 0; p < processes.count; ++p) {
        if (processes[p].reason != none) {
            rows.appendRepeated(1, Row{p, none});
            ++counts.unsearched;
        }
    }
    return counts;
}

} // namespace General
