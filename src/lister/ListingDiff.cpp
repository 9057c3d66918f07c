// Two saved listings compared: one pass over each and a sorted index, never
// a row against every row.
#include "ListingDiff.h"

#include <algorithm>
#include <cwchar>

#include "ChangeReport.h"
#include "ListerArguments.h"
#include "inspection/ModuleIndex.h"
#include "rows/RowWriter.h"
#include "core/Text.h"

using namespace Inspection;

namespace Lister {

namespace {

// One side as the comparison sees it: names and paths folded, what the
// scope leaves, and each process's modules sorted by folded path.
struct Side {
    Side(const SavedListing& listing, Fold fold, const DiffScope& scope, bool grouped)
        : saved(listing), byName(grouped)
    {
        fold(listing.text.items, listing.text.count, folded);
        for (uint32_t p = 0; p < listing.processes.count; ++p) {
            const SavedListing::Process& process = listing.processes[p];
            const wchar_t* name = fileName(folded.items + process.key);
            if (scope.byId ? process.processId != scope.processId
                           : scope.name != nullptr &&
                                 !sameExecutable(name, Core::textLength(name), scope.name,
                                                 Core::textLength(scope.name)))
                continue;
            const uint32_t first = kept.count;
            for (uint32_t m = process.firstModule; m < process.firstModule + process.moduleCount; ++m) {
                if (scope.text == nullptr || containsOrdinal(path(m), listing.modules[m].keyLength, scope.text,
                                                             Core::textLength(scope.text)))
                    kept.appendRepeated(1, m);
            }
            // A search names a process that started or ended only when it
            // holds what is looked for, or could not be read.
            const bool relevant =
                scope.text == nullptr || kept.count != first || process.reason != SavedListing::none;
            shown.appendRepeated(1, Shown{p, first, kept.count - first, relevant});
            std::sort(kept.items + first, kept.items + kept.count, [this](uint32_t a, uint32_t b) {
                return less(a, b);
            });
        }
        order.appendRepeated(shown.count, 0u);
        for (uint32_t i = 0; i < shown.count; ++i)
            order[i] = i;
        std::sort(order.items, order.items + order.count, [this](uint32_t a, uint32_t b) { return before(a, b); });
    }

    struct Shown {
        uint32_t process;
        uint32_t first; // in kept
        uint32_t count;
        bool relevant;
    };

    static const wchar_t* fileName(const wchar_t* key)
    {
        const wchar_t* name = key;
        for (; *key != L'\0'; ++key)
            name = *key == L'\\' ? key + 1 : name;
        return name;
    }
    const wchar_t* path(uint32_t module) const { return folded.items + saved.modules[module].key; }
    int comparePaths(uint32_t a, const Side& other, uint32_t b) const
    {
        const uint32_t la = saved.modules[a].keyLength, lb = other.saved.modules[b].keyLength;
        const int order = std::wmemcmp(path(a), other.path(b), la < lb ? la : lb);
        return order != 0 ? order : la < lb ? -1 : la > lb ? 1 : 0;
    }
    bool less(uint32_t a, uint32_t b) const { return comparePaths(a, *this, b) < 0; }
    const SavedListing::Process& process(uint32_t s) const { return saved.processes[shown[s].process]; }
    int compareProcesses(uint32_t a, const Side& other, uint32_t b) const
    {
        const SavedListing::Process& x = process(a);
        const SavedListing::Process& y = other.process(b);
        if (!byName && x.processId != y.processId)
            return x.processId < y.processId ? -1 : 1;
        return std::wcscmp(folded.items + x.key, other.folded.items + y.key);
    }
    bool before(uint32_t a, uint32_t b) const { return compareProcesses(a, *this, b) < 0; }
    // The shown process of the other side with the same PID and name, or none.
    uint32_t find(const Side& other, uint32_t s) const
    {
        uint32_t low = 0, high = order.count;
        while (low < high) {
            const uint32_t middle = (low + high) / 2;
            const int sign = compareProcesses(order[middle], other, s);
            if (sign == 0)
                return order[middle];
            if (sign < 0)
                low = middle + 1;
            else
                high = middle;
        }
        // Grouped, an executable none of whose processes could be read is
        // known by its name alone: it is the one of that name on the other
        // side.
        const wchar_t* key = other.folded.items + other.process(s).key;
        for (uint32_t k = 0; byName && k < shown.count; ++k) {
            const wchar_t* mine = folded.items + process(k).key;
            if ((fileName(mine) == mine || fileName(key) == key) && std::wcscmp(fileName(mine), fileName(key)) == 0)
                return k;
        }
        return SavedListing::none;
    }

    const SavedListing& saved;
    const bool byName;
    Core::Array<wchar_t> folded;
    Core::Array<Shown> shown;
    Core::Array<uint32_t> kept;  // module indices, each process's sorted
    Core::Array<uint32_t> order; // shown processes sorted by PID and name
};

// "version", "signer" or "version, signer": what of the two differs.
void describe(const SavedListing& side, const SavedListing::Module& m, bool version, bool signer,
              Core::Array<wchar_t>& into)
{
    into.dropBack(into.count);
    const wchar_t* v = side.at(m.version);
    const wchar_t* s = side.at(m.signer);
    if (version)
        appendText(into, *v != L'\0' ? v : L"(none)");
    if (version && signer)
        appendText(into, L", ");
    if (signer)
        appendText(into, *s != L'\0' ? s : L"(none)");
    into.appendRepeated(1, L'\0');
}

} // namespace

void changeHeader(const DiffOutput& output, Core::Array<wchar_t>& into)
{
    changeWriter(output, Rows::RowFormat::Csv).header(into);
}

uint32_t compareListings(const SavedListing& before, const SavedListing& after, Fold fold, const DiffScope& scope,
                         const DiffOutput& output, Core::Array<wchar_t>& into)
{
    const Side was(before, fold, scope, output.byName);
    const Side is(after, fold, scope, output.byName);
    ChangeReport report(output, into);
    const bool details = before.details && after.details;
    Core::Array<uint32_t> matched; // each module's on the other side, or none
    Core::Array<bool> inAfter, inBefore, seen;
    Core::Array<wchar_t> then, now;
    for (uint32_t s = 0; s < is.shown.count; ++s) {
        const SavedListing::Process& p = is.process(s);
        const uint32_t o = was.find(is, s);
        if (o == SavedListing::none) {
            if (is.shown[s].relevant)
                report.process(after, p, L"started");
            continue;
        }
        const SavedListing::Process& q = was.process(o);
        const bool unreadableBefore = q.reason != SavedListing::none && q.moduleCount == 0;
        const bool unreadableAfter = p.reason != SavedListing::none && p.moduleCount == 0;
        // What could not be seen on one side is named, never compared.
        if (unreadableBefore != unreadableAfter) {
            if (unreadableBefore)
                report.unreadable(before, q, false);
            else
                report.unreadable(after, p, true);
            continue;
        }
        if (unreadableBefore)
            continue;
        if (output.byName && p.processId != q.processId)
            report.count(q, after, p);
        // The two sorted module lists walked together.
        const Side::Shown& mine = is.shown[s];
        const Side::Shown& theirs = was.shown[o];
        matched.dropBack(matched.count);
        matched.appendRepeated(p.moduleCount, SavedListing::none);
        inAfter.dropBack(inAfter.count);
        inAfter.appendRepeated(p.moduleCount, false);
        inBefore.dropBack(inBefore.count);
        inBefore.appendRepeated(q.moduleCount, false);
        seen.dropBack(seen.count);
        seen.appendRepeated(q.moduleCount, false);
        for (uint32_t k = 0; k < mine.count; ++k)
            inAfter[is.kept[mine.first + k] - p.firstModule] = true;
        for (uint32_t k = 0; k < theirs.count; ++k)
            inBefore[was.kept[theirs.first + k] - q.firstModule] = true;
        for (uint32_t i = 0, k = 0; i < mine.count && k < theirs.count;) {
            const uint32_t a = is.kept[mine.first + i], b = was.kept[theirs.first + k];
            const int sign = is.comparePaths(a, was, b);
            if (sign == 0) {
                matched[a - p.firstModule] = b;
                seen[b - q.firstModule] = true;
            }
            i += sign <= 0 ? 1 : 0;
            k += sign >= 0 ? 1 : 0;
        }
        // Loaded and changed in the after side's load order, then unloaded
        // in the before side's.
        for (uint32_t k = 0; k < p.moduleCount; ++k) {
            if (!inAfter[k])
                continue;
            const uint32_t a = p.firstModule + k;
            const uint32_t b = matched[k];
            if (b == SavedListing::none) {
                report.module(after, p, a, L"loaded");
                continue;
            }
            if (!details)
                continue;
            const SavedListing::Module& x = before.modules[b];
            const SavedListing::Module& y = after.modules[a];
            const bool version = !Core::sameText(before.at(x.version), after.at(y.version));
            const bool signer = !Core::sameText(before.at(x.signer), after.at(y.signer));
            if (version || signer) {
                describe(before, x, version, signer, then);
                describe(after, y, version, signer, now);
                report.module(after, p, a, L"changed", then.items, now.items);
            }
        }
        for (uint32_t k = 0; k < q.moduleCount; ++k) {
            if (inBefore[k] && !seen[k])
                report.module(before, q, q.firstModule + k, L"unloaded");
        }
    }
    for (uint32_t s = 0; s < was.shown.count; ++s) {
        if (was.shown[s].relevant && is.find(was, s) == SavedListing::none)
            report.process(before, was.process(s), L"ended");
    }
    return report.changes;
}

} // namespace Lister
