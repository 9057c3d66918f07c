#pragma once

// Each distinct module file's version resource and signature, read once,
// on worker threads: as many as there are processors, eight at most.
#include <windows.h>

#include "SignatureCheck.h"
#include "VersionResource.h"
#include "core/Array.h"
#include "RowWriter.h"
#include "core/OwnerPtr.h"

namespace Windows {

struct FileDetails {
    FileVersion version;
    Verdict verdict;
};

// A result row's detail columns, from what was read of its file; the row
// points into `file`.
void fillDetails(General::ResultRow& row, const FileDetails& file);

// Replaces `into` by the details of each path, in the same order. A thread
// the system refuses leaves its share to the others, or to the caller's.
void readFileDetails(const wchar_t* const* paths, uint32_t count, General::OwnerArray<FileDetails>& into);

} // namespace Windows
