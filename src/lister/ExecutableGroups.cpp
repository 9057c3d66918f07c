// A listing grouped by executable, for comparisons across reboots and
// machines, where no PID means anything.
#include <algorithm>
#include <cwchar>
#include <initializer_list>

#include "ListingDiff.h"
#include "core/Text.h"

namespace Lister {

namespace {

// The folded path with a user profile's folder name left out, so that one
// user's copy of a program matches another's: X:\USERS\<name>\... and
// X:\DOCUMENTS AND SETTINGS\<name>\... as X:\USERS\*\...
void profileFree(const wchar_t* folded, uint32_t length, Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    uint32_t start = 0;
    for (const wchar_t* root : {L"\\USERS\\", L"\\DOCUMENTS AND SETTINGS\\"}) {
        uint32_t n = 0;
        while (root[n] != L'\0' && 2 + n < length && folded[2 + n] == root[n])
            ++n;
        if (length > 2 && folded[1] == L':' && root[n] == L'\0') {
            start = 2 + n;
            break;
        }
    }
    if (start == 0) {
        into.appendRange(folded, length);
        return;
    }
    uint32_t end = start;
    while (end < length && folded[end] != L'\\')
        ++end;
    into.appendRange(folded, 2);
    into.appendRange(L"\\USERS\\*", 8);
    into.appendRange(folded + end, length - end);
}

} // namespace

void groupByExecutable(const SavedListing& listing, Fold fold, SavedListing& into)
{
    into.details = listing.details;
    into.processes.dropBack(into.processes.count);
    into.modules.dropBack(into.modules.count);
    into.text.dropBack(into.text.count);
    Core::Array<wchar_t> folded, free;
    fold(listing.text.items, listing.text.count, folded);
    // Each module's key: its folded path, profile-free.
    Core::Array<uint32_t> keyOf;
    const auto keyFor = [&](uint32_t offset, uint32_t length) {
        profileFree(folded.items + offset, length, free);
        const uint32_t at = into.keep(free.items, free.count);
        keyOf.appendRepeated(1, at);
        return at;
    };
    for (uint32_t m = 0; m < listing.modules.count; ++m)
        keyFor(listing.modules[m].path, listing.modules[m].length);
    // Each process's executable: its first module's key, or its name's.
    Core::Array<uint32_t> exeKey, order;
    for (uint32_t p = 0; p < listing.processes.count; ++p) {
        const SavedListing::Process& process = listing.processes[p];
        const wchar_t* name = folded.items + process.name;
        exeKey.appendRepeated(1, process.moduleCount != 0 ? keyOf[process.firstModule]
                                                          : into.keep(name, Core::textLength(name)));
        order.appendRepeated(1, p);
    }
    const auto key = [&into, &exeKey](uint32_t p) { return into.at(exeKey[p]); };
    // In the listing's order within an executable (no temporary buffer).
    std::sort(order.items, order.items + order.count, [&key](uint32_t a, uint32_t b) {
        const int sign = std::wcscmp(key(a), key(b));
        return sign != 0 ? sign < 0 : a < b;
    });
    Core::Array<uint32_t> members; // the group's modules, sorted by key, each once
    for (uint32_t i = 0; i < order.count;) {
        uint32_t end = i;
        while (end < order.count && std::wcscmp(key(order[i]), key(order[end])) == 0)
            ++end;
        const SavedListing::Process& first = listing.processes[order[i]];
        // Shown as the first process shows it: its image path, or its name.
        const uint32_t shown = first.moduleCount != 0 ? listing.modules[first.firstModule].path : first.name;
        const wchar_t* text = listing.at(shown);
        uint32_t length = 0;
        while (text[length] != L'\0' && (first.moduleCount == 0 || length < listing.modules[first.firstModule].length))
            ++length;
        SavedListing::Process group = {end - i, into.keep(text, length), SavedListing::none, into.modules.count, 0,
                                       exeKey[order[i]]};
        members.dropBack(members.count);
        for (uint32_t k = i; k < end; ++k) {
            const SavedListing::Process& process = listing.processes[order[k]];
            for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m)
                members.appendRepeated(1, m);
            if (process.moduleCount == 0 && process.reason != SavedListing::none && group.reason == SavedListing::none)
                group.reason = into.keep(listing.at(process.reason), Core::textLength(listing.at(process.reason)));
        }
        std::sort(members.items, members.items + members.count, [&](uint32_t a, uint32_t b) {
            const int sign = std::wcscmp(into.at(keyOf[a]), into.at(keyOf[b]));
            return sign != 0 ? sign < 0 : a < b;
        });
        for (uint32_t k = 0; k < members.count; ++k) {
            const uint32_t m = members[k];
            if (k != 0 && std::wcscmp(into.at(keyOf[m]), into.at(keyOf[members[k - 1]])) == 0)
                continue;
            const SavedListing::Module& module = listing.modules[m];
            const auto copied = [&](uint32_t offset) {
                return offset == SavedListing::none
                           ? SavedListing::none
                           : into.keep(listing.at(offset), Core::textLength(listing.at(offset)));
            };
            into.modules.appendRepeated(1, SavedListing::Module{into.keep(listing.at(module.path), module.length),
                                                                module.length, copied(module.version),
                                                                copied(module.signer), keyOf[m],
                                                                Core::textLength(into.at(keyOf[m]))});
            ++group.moduleCount;
        }
        // Readable processes of it answer for it; an unread one alone does not.
        if (group.moduleCount != 0)
            group.reason = SavedListing::none;
        into.processes.appendRepeated(1, group);
        i = end;
    }
}

} // namespace Lister
