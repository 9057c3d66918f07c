// Version resources and signatures of many files, read in parallel.
#include "FileDetails.h"
#include "core/Text.h"

#include "core/FileName.h"
#include "core/Handles.h"

using namespace Core;

namespace Details {

namespace {

using BasicInformation = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
struct BasicInfo {
    LARGE_INTEGER creation, access, write, change;
    DWORD attributes;
};

void identify(HANDLE file, FileIdentity& into)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return;
    into.opened = true;
    into.size = (ULONGLONG(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    into.written = information.ftLastWriteTime;
    into.volume = information.dwVolumeSerialNumber;
    into.index = (ULONGLONG(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    // The change time, which SetFileTime cannot set: Vista on.
    static const auto basic = reinterpret_cast<BasicInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
    BasicInfo times;
    const int fileBasicInfo = 0;
    if (basic != nullptr && basic(file, fileBasicInfo, &times, sizeof(times)))
        into.changed = times.change.QuadPart;
}

} // namespace

bool DetailsReader::read(const wchar_t* path, FileDetails& into, const FileIdentity* known)
{
    const uint32_t length = Core::textLength(path);
    Core::extendedPath(path, length, extended);
    into.identity = FileIdentity();
    KernelHandle file(CreateFileW(extended.items, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        versions.read(nullptr, into.version);
        into.verdict.signer.dropBack(into.verdict.signer.count);
        into.verdict.code = error;
        into.verdict.signature = Details::Signature::Error;
        return true;
    }
    identify(file.get(), into.identity);
    if (known != nullptr && into.identity.same(*known))
        return false;
    // The version calls take MAX_PATH characters at most: a longer path is
    // given by its short name where the volume keeps one.
    const wchar_t* versionName = path;
    if (length >= MAX_PATH) {
        shortName.dropBack(shortName.count);
        shortName.appendRepeated(MAX_PATH + 8, L'\0');
        const DWORD got = GetShortPathNameW(extended.items, shortName.items, shortName.count);
        const bool unc = got > 8 && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, shortName.items, 8,
                                                   L"\\\\?\\UNC\\", 8) == CSTR_EQUAL;
        if (got > 4 && got < shortName.count && got - (unc ? 6 : 4) < MAX_PATH) {
            versionName = shortName.items + (unc ? 6 : 4);
            if (unc)
                shortName[6] = L'\\';
        } else {
            versionName = extended.items;
        }
    }
    versions.read(versionName, into.version);
    signatures.verify(extended.items, file.get(), into.verdict);
    return true;
}

} // namespace Details
