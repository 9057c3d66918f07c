#pragma once

// What a row's tooltip says, read from the system when it is about to show.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"
#include "core/OwnerPtr.h"
#include "VersionResource.h"

namespace Windows {

struct ProcessEntry;
struct ModuleEntry;
class DetailsCache;

// What a row's tooltip says, read when it is about to show, never during a
// refresh. Version resources are kept per path until forget().
class RowDetails {
public:
    RowDetails() = default;
    RowDetails(const RowDetails&) = delete;
    RowDetails& operator=(const RowDetails&) = delete;

    // The tooltip text of each kind of row, NUL-terminated, valid until the
    // next call. A read that fails becomes the line that says so.
    const wchar_t* processText(const ProcessEntry& process);
    // A module's signature is taken from `signatures` when given: while it
    // is read there, the tip says so.
    const wchar_t* moduleText(const ModuleEntry& module, uint32_t processId, DetailsCache* signatures = nullptr);

    // A new snapshot: the versions kept are read again when next asked.
    void forget() { versions.dropBack(versions.count); }

private:
    struct Version {
        General::Array<wchar_t> path;
        FileVersion read;
    };
    const FileVersion& version(const wchar_t* path);
    void services(uint32_t processId);

    General::OwnerArray<Version> versions;
    General::Array<wchar_t> text;
    General::Array<wchar_t> signatureLine;
    General::Array<wchar_t> reason;
    General::Array<wchar_t> hosted;
    General::Array<wchar_t> path;
    General::Array<BYTE> page; // of the service list
    General::OwnerPtr<VersionReader> reader; // made when first asked
};

} // namespace Windows
