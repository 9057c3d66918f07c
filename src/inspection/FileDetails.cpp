// Version resources and signatures of many files, read in parallel.
#include "FileDetails.h"

#include <new>

#include "core/Handles.h"

namespace Windows {

namespace {

struct Work {
    const wchar_t* const* paths;
    General::OwnerArray<FileDetails>* into;
    uint32_t count;
    volatile LONG next;
    volatile LONG failed; // a worker ran out of memory
};

DWORD WINAPI worker(LPVOID parameter)
{
    Work& work = *static_cast<Work*>(parameter);
    try {
        VersionReader versions;
        SignatureChecker signatures;
        for (;;) {
            const LONG i = InterlockedIncrement(&work.next) - 1;
            if (i >= static_cast<LONG>(work.count))
                break;
            FileDetails& details = *(*work.into)[static_cast<uint32_t>(i)];
            versions.read(work.paths[i], details.version);
            signatures.verify(work.paths[i], details.verdict);
        }
    } catch (std::bad_alloc&) {
        InterlockedExchange(&work.failed, 1);
    }
    return 0;
}

} // namespace

void fillDetails(General::ResultRow& row, const FileDetails& file)
{
    const auto text = [](const General::Array<wchar_t>& held) { return held.count != 0 ? held.items : nullptr; };
    row.version = text(file.version.fileVersion);
    row.company = text(file.version.company);
    row.description = text(file.version.description);
    row.signer = text(file.verdict.signer);
    row.signature = General::signatureWord(file.verdict.signature);
}

void readFileDetails(const wchar_t* const* paths, uint32_t count, General::OwnerArray<FileDetails>& into)
{
    into.dropBack(into.count);
    for (uint32_t i = 0; i < count; ++i)
        into.appendRepeated(1, General::OwnerPtr<FileDetails>(new FileDetails));
    Work work = {paths, &into, count, 0, 0};
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uint32_t threads = system.dwNumberOfProcessors < 8 ? system.dwNumberOfProcessors : 8;
    if (threads > count)
        threads = count;
    // The caller's thread works too: one fewer to start.
    KernelHandle started[8];
    for (uint32_t t = 1; t < threads; ++t)
        started[t].handle = CreateThread(nullptr, 0, &worker, &work, 0, nullptr);
    worker(&work);
    for (uint32_t t = 1; t < threads; ++t) {
        if (started[t].valid())
            WaitForSingleObject(started[t].handle, INFINITE);
    }
    if (work.failed != 0)
        throw std::bad_alloc();
}

} // namespace Windows
