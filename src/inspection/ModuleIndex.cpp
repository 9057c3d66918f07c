// The search index: filled from a snapshot, filtered per text.
#include "ModuleIndex.h"

#include <algorithm>
#include <cwchar>

namespace Inspection {

uint32_t findOrdinal(const wchar_t* within, uint32_t length, const wchar_t* text, uint32_t textLength)
{
    if (textLength == 0 || textLength > length)
        return ModuleIndex::none;
    // Horspool's search, its skips keyed by each unit's low byte: most
    // places are passed over without comparing the text.
    uint32_t skip[256];
    for (uint32_t& entry : skip)
        entry = textLength;
    const uint32_t lastIndex = textLength - 1;
    for (uint32_t i = 0; i < lastIndex; ++i)
        skip[text[i] & 0xFF] = lastIndex - i;
    const wchar_t last = text[lastIndex];
    for (uint32_t at = 0; at <= length - textLength;) {
        const wchar_t unit = within[at + lastIndex];
        if (unit == last) {
            uint32_t k = 0;
            while (k < lastIndex && within[at + k] == text[k])
                ++k;
            if (k == lastIndex)
                return at;
        }
        at += skip[unit & 0xFF];
    }
    return ModuleIndex::none;
}

void ModuleIndex::clear()
{
    processes.dropBack(processes.count);
    modules.dropBack(modules.count);
    text.dropBack(text.count);
    paths.dropBack(paths.count);
}

uint32_t ModuleIndex::append(Core::Array<wchar_t>& block, const wchar_t* source, uint32_t length)
{
    const uint32_t start = block.count;
    block.appendRange(source, length);
    block.appendRepeated(1, L'\0');
    return start;
}

void ModuleIndex::addProcess(uint32_t processId, const wchar_t* name, uint32_t length)
{
    const Process process = {processId, append(text, name, length), none, modules.count, 0};
    processes.appendRepeated(1, process);
}

void ModuleIndex::addModule(const wchar_t* path, uint32_t length)
{
    const Module module = {append(paths, path, length), length, processes.count - 1};
    modules.appendRepeated(1, module);
    ++processes[processes.count - 1].moduleCount;
}

void ModuleIndex::setReason(const wchar_t* reason, uint32_t length)
{
    processes[processes.count - 1].reason = append(text, reason, length);
}

ModuleIndex::Counts ModuleIndex::filter(const wchar_t* search, uint32_t length, Find find, Core::Array<Row>& rows,
                                        const wchar_t* within) const
{
    rows.dropBack(rows.count);
    Counts counts = {0, 0, 0};
    if (length == 0)
        return counts;
    // The paths are searched as one text: the NUL after each keeps a match
    // inside one path, as no text searched for holds a NUL.
    const wchar_t* block = within != nullptr ? within : paths.items;
    uint32_t from = 0;
    uint32_t module = 0;
    while (from < paths.count) {
        const uint32_t found = find(block + from, paths.count - from, search, length);
        if (found == none)
            break;
        const uint32_t at = from + found;
        while (modules[module].path + modules[module].length < at)
            ++module;
        const uint32_t process = modules[module].process;
        if (rows.count == 0 || rows[rows.count - 1].process != process)
            ++counts.processes;
        rows.appendRepeated(1, Row{process, module});
        from = modules[module].path + modules[module].length + 1;
    }
    counts.modules = rows.count;
    for (uint32_t p = 0; p < processes.count; ++p) {
        if (processes[p].reason != none) {
            rows.appendRepeated(1, Row{p, none});
            ++counts.unsearched;
        }
    }
    return counts;
}

void distinctFiles(const ModuleIndex& index, const wchar_t* folded, Core::Array<uint32_t>& fileOf,
                   Core::Array<uint32_t>& firstModule)
{
    const uint32_t count = index.modules.count;
    Core::Array<uint32_t> order;
    order.appendRepeated(count, 0u);
    for (uint32_t m = 0; m < count; ++m)
        order[m] = m;
    const auto text = [&](uint32_t m) { return folded + index.modules[m].path; };
    const auto less = [&](uint32_t a, uint32_t b) {
        const uint32_t la = index.modules[a].length, lb = index.modules[b].length;
        const int order = wmemcmp(text(a), text(b), la < lb ? la : lb);
        return order != 0 ? order < 0 : la != lb ? la < lb : a < b;
    };
    std::sort(order.items, order.items + count, less);
    fileOf.dropBack(fileOf.count);
    fileOf.appendRepeated(count, 0u);
    firstModule.dropBack(firstModule.count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t m = order[i];
        const uint32_t before = i != 0 ? order[i - 1] : ModuleIndex::none;
        const bool same = before != ModuleIndex::none && index.modules[m].length == index.modules[before].length &&
                          wmemcmp(text(m), text(before), index.modules[m].length) == 0;
        if (!same)
            firstModule.appendRepeated(1, m);
        fileOf[m] = firstModule.count - 1;
    }
}

} // namespace Inspection
