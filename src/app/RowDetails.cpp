// What a tooltip says of a row: versions, services, bitness, place in memory.
#include "RowDetails.h"

#include "core/Errors.h"
#include "core/Handles.h"
#include "details/DetailsCache.h"
#include "inspection/ModuleList.h"
#include "inspection/ProcessFacts.h"
#include "inspection/ProcessList.h"
#include "inspection/ProcessStatus.h"
#include "rows/RowTip.h"

using namespace Inspection;
using namespace Core;

namespace App {

const wchar_t* RowDetails::processText(const ProcessEntry& process)
{
    Rows::ProcessReadings readings = {};
    readings.name = process.wideName.count != 0 ? process.wideName.items : L"";
    readings.processId = process.processId;
    readings.parentId = process.parentId;
    readings.bits = processBits(process.processId);
    readings.path = readImagePath(process.processId, path) ? path.items : nullptr;
    readings.ended = readings.path == nullptr && processHasEnded(process.processId);
    hostedServices(process.processId, page, hosted);
    readings.services = hosted.count != 0 ? hosted.items : nullptr;
    Rows::processTip(readings, text);
    return text.items;
}

const wchar_t* RowDetails::moduleText(const ModuleEntry& module, uint32_t processId, Details::DetailsCache& files)
{
    Rows::ModuleReadings readings = {};
    readings.path = module.widePath.count != 0 ? module.widePath.items : L"";
    const uint32_t length = module.widePath.count != 0 ? module.widePath.count - 1 : 0;
    const auto held = [](const Core::Array<wchar_t>& kept) { return kept.count != 0 ? kept.items : nullptr; };
    reason.dropBack(reason.count);
    if (!files.find(readings.path, length, file)) {
        readings.reading = true;
        file.verdict.signature = Details::Signature::Pending;
    } else {
        readings.versioned = file.version.versioned;
        readings.fileVersion = held(file.version.fileVersion);
        readings.company = held(file.version.company);
        readings.description = held(file.version.description);
        if (file.verdict.code != 0)
            WindowsError(file.verdict.code).wideText(reason);
    }
    Details::signatureLine(file.verdict.signature, held(file.verdict.signer), reason.count != 0 ? reason.items : L"",
                           signatureLine);
    readings.signature = signatureLine.items;
    KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    MODULEINFO place = {};
    if (process.valid() && module.module != nullptr &&
        moduleInformation(process.get(), module.module, &place, sizeof(place))) {
        readings.placed = true;
        readings.base = reinterpret_cast<UINT_PTR>(place.lpBaseOfDll);
        readings.size = place.SizeOfImage;
    } else {
        readings.ended = processHasEnded(processId);
    }
    Rows::moduleTip(readings, text);
    return text.items;
}

} // namespace App
