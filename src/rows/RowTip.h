#pragma once

// A row's tooltip text made from what was read of it.
#include <cstdint>

#include "core/Array.h"

namespace Rows {

// What was read of a process for its row's tooltip. A null text could not be
// read; it is said so, not left out.
struct ProcessReadings {
    const wchar_t* name;
    uint32_t processId;
    uint32_t parentId;
    int bits;                // 32 or 64 where Windows is 64-bit; 0 shows none
    bool ended;              // could not be opened for want of a process
    const wchar_t* path;     // the image path
    const wchar_t* services; // the names of the services it hosts, ", " between; null: none
};

// What was read of a module for its row's tooltip.
struct ModuleReadings {
    const wchar_t* path;
    bool versioned; // has a version resource
    const wchar_t* fileVersion;
    const wchar_t* company;
    const wchar_t* description;
    const wchar_t* signature; // the signature's line; null: none
    bool placed; // its place in the process was read
    bool ended;  // else, whether for want of the process
    uint64_t base;
    uint32_t size;
    bool reading; // its file's details are still being read
};

// The tooltip's lines, ended by CR LF but the last, NUL-terminated.
void processTip(const ProcessReadings& readings, Core::Array<wchar_t>& into);
void moduleTip(const ModuleReadings& readings, Core::Array<wchar_t>& into);
// What a reason row means, in one sentence; null for any other text.
const wchar_t* reasonTip(const wchar_t* rowText);

} // namespace Rows
