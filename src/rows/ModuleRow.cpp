// A module's row with its file's details.
#include "ModuleRow.h"

using namespace Inspection;

namespace Rows {

ResultRow indexRow(const ModuleIndex& index, ModuleIndex::Row row)
{
    const ModuleIndex::Process& process = index.processes[row.process];
    ResultRow result;
    result.process = index.at(process.name);
    result.processId = process.processId;
    result.name = result.process;
    if (row.module != ModuleIndex::none) {
        result.path = index.path(row.module);
        result.pathLength = index.modules[row.module].length;
    } else {
        result.status = process.reason != ModuleIndex::none ? index.at(process.reason) : nullptr;
    }
    return result;
}

void fillDetails(ResultRow& row, const Details::FileDetails& file)
{
    const auto text = [](const Core::Array<wchar_t>& held) { return held.count != 0 ? held.items : nullptr; };
    row.version = text(file.version.fileVersion);
    row.company = text(file.version.company);
    row.description = text(file.version.description);
    row.signer = text(file.verdict.signer);
    row.signature = Details::signatureWord(file.verdict.signature);
}

} // namespace Rows
