#pragma once

// What a row's tooltip says, read from the system when it is about to show.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"
#include "details/DetailsCache.h"
#include "inspection/ModuleList.h"
#include "inspection/ProcessList.h"

namespace App {

// What a row's tooltip says, read when it is about to show, never during a
// refresh. No file is read here: a module's version and signature come from
// the details cache, which reads them on its own thread.
class RowDetails {
public:
    RowDetails() = default;
    RowDetails(const RowDetails&) = delete;
    RowDetails& operator=(const RowDetails&) = delete;

    // The tooltip text of each kind of row, NUL-terminated, valid until the
    // next call. A read that fails becomes the line that says so.
    const wchar_t* processText(const Inspection::ProcessEntry& process);
    // While the file is read in `files`, the tip says so.
    const wchar_t* moduleText(const Inspection::ModuleEntry& module, uint32_t processId, Details::DetailsCache& files);

private:
    Details::FileDetails file;
    Core::Array<wchar_t> text;
    Core::Array<wchar_t> signatureLine;
    Core::Array<wchar_t> reason;
    Core::Array<wchar_t> hosted;
    Core::Array<wchar_t> path;
    Core::Array<BYTE> page; // of the service list
};

} // namespace App
