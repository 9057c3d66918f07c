#pragma once

// The console lister's command line, read.
#include <cstdint>

#include "core/Array.h"

namespace Lister {

// What the console lister was asked, read from its arguments.
struct ListerArguments {
    enum Mode { List, Search, Diff, Help, Version, Bad };

    Mode mode = List;
    bool csv = false;
    bool strict = false;
    bool details = false;      // version, company, description, signer, signature
    bool unsignedOnly = false; // only modules not signed (embedded or by catalog)
    const wchar_t* text = nullptr;     // with Search (or Diff): what a path must contain
    const wchar_t* before = nullptr;   // with Diff: the saved listing
    const wchar_t* const* after = nullptr; // and those compared with it, names or patterns; none: a fresh snapshot
    uint32_t afterCount = 0;
    bool byName = false;               // with Diff: processes matched by executable, not PID
    const wchar_t* output = nullptr;   // -o: the file written instead of standard output
    bool byId = false;                 // the one process asked for is a PID
    uint32_t processId = 0;
    const wchar_t* name = nullptr;     // or an executable's name; null: every process
    const wchar_t* problem = nullptr;  // with Bad: what is wrong
    const wchar_t* culprit = nullptr;  // and the argument it is about, if one
};

// Switches are "-m", "--csv", "--strict", "--details", "--unsigned", "-h",
// "--help" and "--version", or the Windows way "/m", "/csv", "/strict",
// "/details", "/unsigned", "/?" and "/version" in any case; "--unsigned"
// implies "--details".
// "--diff" ("/diff") takes the saved listing after it, and as many more as
// the arguments that follow end in ".csv" (names, or patterns with * and
// ?); with it "-m" restricts the modules compared, and "--by-name"
// ("/by-name") matches processes by executable. "-o FILE" ("/o",
// "--output") writes the output to FILE. An argument of digits alone is a
// PID; any other that is no switch, an executable's name.
void parseListerArguments(int count, const wchar_t* const* arguments, ListerArguments& into);

// Whether a process's executable name is the one asked for: ignoring case
// (both already folded), ".EXE" optional in what was asked.
bool sameExecutable(const wchar_t* name, uint32_t length, const wchar_t* asked, uint32_t askedLength);

} // namespace Lister
