// A file's version resource, in whichever translation holds its strings.
#include "VersionResource.h"
#include "core/Text.h"

#include <initializer_list>

namespace Details {

namespace {

using SizeCall = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoCall = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryCall = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

const uint32_t translationLength = 8;

void assign(Core::Array<wchar_t>& into, const wchar_t* text)
{
    into.dropBack(into.count);
    if (text == nullptr)
        return;
    into.appendRange(text, Core::textLength(text));
    into.appendRepeated(1, L'\0');
}

// Where the children of the version block's node at `at` start: past its
// key and its value (counted in characters for a text value, else bytes).
uint32_t childrenOf(const BYTE* block, uint32_t at, uint32_t end)
{
    const auto word = [block](uint32_t offset) { return *reinterpret_cast<const WORD*>(block + offset); };
    const uint32_t valueLength = word(at + 2);
    uint32_t offset = at + 6;
    while (offset + 2 <= end && word(offset) != 0)
        offset += 2;
    offset = (offset + 2 + 3) & ~3u;
    offset += word(at + 4) == 1 ? 2 * valueLength : valueLength;
    return (offset + 3) & ~3u;
}

// The key of the first string table under StringFileInfo, into `key`
// ("xxxxxxxx"); false when the block has none.
bool firstStringTable(const BYTE* block, uint32_t size, wchar_t* key)
{
    const auto word = [block](uint32_t offset) { return *reinterpret_cast<const WORD*>(block + offset); };
    if (size < 6 || word(0) > size)
        return false;
    const uint32_t end = word(0);
    for (uint32_t child = childrenOf(block, 0, end); child + 6 < end;) {
        const uint32_t length = word(child);
        if (length < 6 || child + length > end)
            return false;
        const wchar_t* name = reinterpret_cast<const wchar_t*>(block + child + 6);
        if (child + 6 + 30 <= end && lstrcmpW(name, L"StringFileInfo") == 0) {
            const uint32_t table = childrenOf(block, child, child + length);
            if (table + 6 + 2 * (translationLength + 1) > child + length)
                return false;
            lstrcpynW(key, reinterpret_cast<const wchar_t*>(block + table + 6), translationLength + 1);
            return lstrlenW(key) == int(translationLength);
        }
        child = (child + length + 3) & ~3u;
    }
    return false;
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
    if (path == nullptr || size == nullptr || info == nullptr || query == nullptr)
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
    translations.appendRepeated((length / (2 * sizeof(WORD)) + 4) * (translationLength + 1), L'\0');
    uint32_t at = 0;
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2, at += translationLength + 1)
        wsprintfW(translations.items + at, L"%04x%04x", pairs[i], pairs[i + 1]);
    for (const wchar_t* usual : {L"040904b0", L"040904e4", L"000004b0"}) {
        lstrcpyW(translations.items + at, usual);
        at += translationLength + 1;
    }
    // Last, whichever block the file has first.
    if (!firstStringTable(block.items, bytes, translations.items + at))
        translations.dropBack(translationLength + 1);
    assign(into.company, text(L"CompanyName"));
    assign(into.description, text(L"FileDescription"));
}

} // namespace Details
