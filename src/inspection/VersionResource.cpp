// A file's version resource, in whichever translation holds its strings.
#include "VersionResource.h"

#include <initializer_list>

namespace Windows {

namespace {

using SizeCall = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoCall = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryCall = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

const uint32_t translationLength = 8;

void assign(General::Array<wchar_t>& into, const wchar_t* text)
{
    into.dropBack(into.count);
    if (text == nullptr)
        return;
    into.appendRange(text, static_cast<uint32_t>(lstrlenW(text)));
    into.appendRepeated(1, L'\0');
}

} // namespace

const wchar_t* VersionReader::text(const wchar_t* name)
{
    const auto query = dll.find<QueryCall>("VerQueryValueW");
    for (uint32_t at = 0; at < translations.count; at += translationLength + 1) {
        wchar_t path[64];
        wsprintfW(path, L"\\StringFileInfo\\%s\\%s", translations.items + at, name);
        void* value = nullptr;
        UINT length = 0;
        if (query(block.items, path, &value, &length) && value != nullptr && length > 0)
            return static_cast<const wchar_t*>(value);
    }
    return nullptr;
}

void VersionReader::read(const wchar_t* path, FileVersion& into)
{
    into.versioned = false;
    assign(into.fileVersion, nullptr);
    assign(into.company, nullptr);
    assign(into.description, nullptr);
    const auto size = dll.find<SizeCall>("GetFileVersionInfoSizeW");
    const auto info = dll.find<InfoCall>("GetFileVersionInfoW");
    const auto query = dll.find<QueryCall>("VerQueryValueW");
    if (size == nullptr || info == nullptr || query == nullptr)
        return;
    DWORD ignored = 0;
    const DWORD bytes = size(path, &ignored);
    block.dropBack(block.count);
    block.appendRepeated(bytes, BYTE(0));
    if (bytes == 0 || !info(path, 0, bytes, block.items))
        return;
    into.versioned = true;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (query(block.items, L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
        wchar_t number[48];
        wsprintfW(number, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        assign(into.fileVersion, number);
    }
    // Many files name a translation whose string block they lack: every pair
    // they name is tried, then the blocks tools most often write.
    translations.dropBack(translations.count);
    WORD* pairs = nullptr;
    if (!query(block.items, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &length) ||
        pairs == nullptr)
        length = 0;
    translations.appendRepeated((length / (2 * sizeof(WORD)) + 3) * (translationLength + 1), L'\0');
    uint32_t at = 0;
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2, at += translationLength + 1)
        wsprintfW(translations.items + at, L"%04x%04x", pairs[i], pairs[i + 1]);
    for (const wchar_t* usual : {L"040904b0", L"040904e4", L"000004b0"}) {
        lstrcpyW(translations.items + at, usual);
        at += translationLength + 1;
    }
    assign(into.company, text(L"CompanyName"));
    assign(into.description, text(L"FileDescription"));
}

} // namespace Windows
