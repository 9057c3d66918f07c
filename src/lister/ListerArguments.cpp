// The console lister's command line, read.
#include "ListerArguments.h"

#include "core/Text.h"

namespace Lister {

namespace {

bool isSwitch(const wchar_t* argument, const wchar_t* dashed, const wchar_t* slashed)
{
    return Core::sameText(argument, dashed, false) || (slashed != nullptr && Core::sameText(argument, slashed, true));
}

bool bad(ListerArguments& into, const wchar_t* problem, const wchar_t* culprit)
{
    into.mode = ListerArguments::Bad;
    into.problem = problem;
    into.culprit = culprit;
    return false;
}

// A file name ending in ".csv", in any case.
bool endsWithCsv(const wchar_t* argument)
{
    const uint32_t length = Core::textLength(argument);
    return length > 4 && Core::sameText(argument + length - 4, L".csv", true);
}

bool take(ListerArguments& into, int& i, int count, const wchar_t* const* arguments)
{
    const wchar_t* argument = arguments[i];
    if (isSwitch(argument, L"-h", L"/?") || isSwitch(argument, L"--help", nullptr)) {
        into.mode = ListerArguments::Help;
        return false;
    }
    if (isSwitch(argument, L"--version", L"/version")) {
        into.mode = ListerArguments::Version;
        return false;
    }
    // The switches that set a flag; which modules are not signed says how
    // each is signed, so --unsigned sets the details too.
    static const struct {
        const wchar_t* dashed;
        const wchar_t* slashed;
        bool ListerArguments::*flag;
        bool ListerArguments::*also;
    } flags[] = {{L"--csv", L"/csv", &ListerArguments::csv, nullptr},
                 {L"--strict", L"/strict", &ListerArguments::strict, nullptr},
                 {L"--details", L"/details", &ListerArguments::details, nullptr},
                 {L"--unsigned", L"/unsigned", &ListerArguments::unsignedOnly, &ListerArguments::details},
                 {L"--by-name", L"/by-name", &ListerArguments::byName, nullptr}};
    for (const auto& flag : flags) {
        if (isSwitch(argument, flag.dashed, flag.slashed)) {
            into.*flag.flag = true;
            if (flag.also != nullptr)
                into.*flag.also = true;
            return true;
        }
    }
    if (isSwitch(argument, L"-m", L"/m")) {
        if (into.text != nullptr)
            return bad(into, L"the text to find is given twice", argument);
        if (i + 1 >= count || arguments[i + 1][0] == L'\0')
            return bad(into, L"no text to find after", argument);
        into.text = arguments[++i];
        if (into.mode != ListerArguments::Diff)
            into.mode = ListerArguments::Search;
        return true;
    }
    if (isSwitch(argument, L"--diff", L"/diff")) {
        if (into.before != nullptr)
            return bad(into, L"--diff is given twice", argument);
        into.mode = ListerArguments::Diff;
        // Switches may stand between it and its listing (--diff --by-name a.csv).
        while (i + 1 < count && (arguments[i + 1][0] == L'-' || arguments[i + 1][0] == L'/')) {
            if (!take(into, ++i, count, arguments))
                return false;
        }
        if (i + 1 >= count || arguments[i + 1][0] == L'\0')
            return bad(into, L"no saved listing after", argument);
        into.before = arguments[++i];
        into.after = arguments + i + 1;
        while (i + 1 < count && endsWithCsv(arguments[i + 1])) {
            ++into.afterCount;
            ++i;
        }
        into.mode = ListerArguments::Diff;
        return true;
    }
    if (isSwitch(argument, L"-o", L"/o") || isSwitch(argument, L"--output", nullptr)) {
        if (into.output != nullptr)
            return bad(into, L"the output file is given twice", argument);
        if (i + 1 >= count || arguments[i + 1][0] == L'\0')
            return bad(into, L"no file to write after", argument);
        into.output = arguments[++i];
        return true;
    }
    if (argument[0] == L'-' || argument[0] == L'/' || argument[0] == L'\0')
        return bad(into, L"unknown switch", argument);
    if (into.name != nullptr || into.byId)
        return bad(into, L"more than one process asked for", argument);
    if (Core::parseProcessId(argument, into.processId))
        into.byId = true;
    else
        into.name = argument;
    return true;
}

} // namespace

void parseListerArguments(int count, const wchar_t* const* arguments, ListerArguments& into)
{
    into = ListerArguments();
    for (int i = 1; i < count; ++i) {
        if (!take(into, i, count, arguments))
            return;
    }
    if (into.byName && into.mode != ListerArguments::Diff)
        bad(into, L"--by-name goes with --diff", nullptr);
    else if (into.byName && into.byId)
        bad(into, L"a PID means nothing across reboots and machines; --by-name takes a name", nullptr);
}

bool sameExecutable(const wchar_t* name, uint32_t length, const wchar_t* asked, uint32_t askedLength)
{
    uint32_t i = 0;
    while (i < length && i < askedLength && name[i] == asked[i])
        ++i;
    if (i == askedLength && i == length)
        return true;
    // "notepad" for "NOTEPAD.EXE".
    return i == askedLength && length == askedLength + 4 && Core::sameText(name + i, L".exe", true);
}

} // namespace Lister
