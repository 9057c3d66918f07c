#pragma once

// Where a module meets its file's details: a row of the search index, and
// the detail columns read of its file.
#include "RowWriter.h"
#include "details/FileDetails.h"
#include "inspection/ModuleIndex.h"

namespace Rows {

// A row of the search index.
ResultRow indexRow(const Inspection::ModuleIndex& index, Inspection::ModuleIndex::Row row);

// A result row's detail columns, from what was read of its file; the row
// points into `file`.
void fillDetails(ResultRow& row, const Details::FileDetails& file);

} // namespace Rows
