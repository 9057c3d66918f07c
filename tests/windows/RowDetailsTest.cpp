#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>
#include <softpub.h>

#include <string>
#include <vector>

#include "TestWindows.h"
#include "inspection/ListRows.h"

#include "inspection/DetailsCache.h"
#include "inspection/FileDetails.h"
#include "inspection/ProcessList.h"
#include "inspection/RowDetails.h"
#include "inspection/SignatureCheck.h"
#include "inspection/VersionResource.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using TestSupport::PlainListBox;
using namespace Windows;

namespace {

// Windows as a standard user sees a service's process: the limited query
// right granted, the full one refused (Wine grants both).
decltype(&OpenProcess) realOpen = nullptr;
HANDLE WINAPI limitedOnly(DWORD access, BOOL inherit, DWORD id)
{
    if ((access & PROCESS_QUERY_INFORMATION) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return realOpen(access, inherit, id);
}

// The service manager as its documentation has it: at most 256 KB a call
// (RPC_X_BAD_STUB_DATA above), services handed out a page at a time.
const wchar_t* const services[] = {L"Alpha", L"Beta", L"Gamma"};
DWORD WINAPI servicePages(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned, LPDWORD resume, LPCWSTR)
{
    *returned = 0;
    if (size > 256 * 1024) {
        SetLastError(RPC_X_BAD_STUB_DATA);
        return FALSE;
    }
    *needed = 300000; // more than one call may take
    if (size < sizeof(ENUM_SERVICE_STATUS_PROCESSW) + 16) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    auto* status = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer);
    *status = {};
    status->lpServiceName = reinterpret_cast<LPWSTR>(buffer + sizeof(*status));
    lstrcpyW(status->lpServiceName, services[*resume]);
    status->ServiceStatusProcess.dwProcessId = GetCurrentProcessId();
    *returned = 1;
    if (++*resume < 3) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
}

} // namespace

TEST(RowDetailsTest, BitnessWithTheLimitedRightAndEveryPageOfServices)
{
    ImportSwap open("kernel32.dll", "OpenProcess", reinterpret_cast<void*>(&limitedOnly));
    realOpen = open.original<decltype(realOpen)>();
    ImportSwap enumerate("advapi32.dll", "EnumServicesStatusExW", reinterpret_cast<void*>(&servicePages));
    ProcessEntry own(GetCurrentProcessId(), "windows_tests.exe", L"windows_tests.exe", 17);
    RowDetails details;
    const std::wstring tip = details.processText(own);
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)) {
        EXPECT_NE(tip.find(sizeof(void*) == 8 ? L", 64-bit" : L", 32-bit"), std::wstring::npos) << tip;
    }
    EXPECT_NE(tip.find(L"Services: Alpha, Beta, Gamma"), std::wstring::npos) << tip;
}

// A translation naming a string block the file lacks: the strings are found
// in the block that is there.
TEST(VersionReaderTest, StringsOfABlockTheTranslationDoesNotName)
{
    const std::string path = TestSupport::siblingPath("named_module.dll");
    FileVersion read;
    VersionReader().read(std::wstring(path.begin(), path.end()).c_str(), read);
    ASSERT_TRUE(read.versioned);
    EXPECT_STREQ(read.fileVersion.items, L"1.2.3.4");
    EXPECT_STREQ(read.company.items, L"Tarnwick Test Maker");
    EXPECT_STREQ(read.description.items, L"A module named in four scripts");
}

namespace {
std::vector<UINT> tipMessages;
LRESULT CALLBACK recordingTip(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER)
        tipMessages.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

// On Windows a click hides a tool's tip until the pointer leaves the tool,
// here the whole list: the pointer moving on to another row makes the tool
// anew before the move is relayed, so that row's tip shows.
TEST(RowTrackingTest, AfterAClickTheNextRowHasItsTip)
{
    PlainListBox list;
    for (const char* text : {"a.exe", "b.exe", "c.exe"})
        SendMessageA(list.handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    HWND tip = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingTip));
    ListRows::RowTracking tracking;
    tracking.tooltip = tip;
    const int height = int(SendMessageA(list.handle, LB_GETITEMHEIGHT, 0, 0));
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP})
        tracking.follow(list.handle, message, 0, MAKELPARAM(10, 1));
    tipMessages.clear();
    tracking.follow(list.handle, WM_MOUSEMOVE, 0, MAKELPARAM(10, height + 1));
    EXPECT_EQ(tracking.row, 1);
    const std::vector<UINT> expected = {TTM_POP, TTM_ACTIVATE, TTM_ACTIVATE, TTM_RELAYEVENT};
    EXPECT_EQ(tipMessages, expected);
    DestroyWindow(tip);
}

namespace {
// Windows' answers where Wine's differ: an untrusted root, files signed in
// catalogs (Wine has none), SHA-1-only catalogs, the last error telling an
// unreadable signature from none, a catalog service that cannot be asked.
struct Scenario {
    LONG embedded;
    DWORD lastError;              // after the embedded verify
    std::vector<LONG> sha256, sha1; // each catalog holding the hash: its answer
    DWORD searchEnd;              // the last error when no more catalogs hold it
    DWORD hashError;              // the hash refused with this, or 0
} scenario;
HANDLE opened = nullptr;
std::wstring memberTag;
DWORD memberSize = 0;
CERT_CONTEXT leafCertificate = {};
CRYPT_PROVIDER_CERT leaf = {};
CRYPT_PROVIDER_SGNR signer = {};
CRYPT_PROVIDER_DATA state = {};
HANDLE const stateHandle = reinterpret_cast<HANDLE>(0x5151);
HCATADMIN const sha256Admin = reinterpret_cast<HCATADMIN>(0x5152), sha1Admin = reinterpret_cast<HCATADMIN>(0x5154);
LONG WINAPI fakeVerify(HWND, GUID*, LPVOID data)
{
    auto& trust = *static_cast<WINTRUST_DATA*>(data);
    EXPECT_EQ(trust.dwUIChoice, DWORD(WTD_UI_NONE));
    EXPECT_EQ(trust.fdwRevocationChecks, DWORD(WTD_REVOKE_NONE));
    EXPECT_EQ(trust.dwProvFlags, DWORD(WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL));
    if (trust.dwStateAction == WTD_STATEACTION_CLOSE) {
        SetLastError(ERROR_INVALID_HANDLE); // the close's own, which must not count
        return 0;
    }
    trust.hWVTStateData = stateHandle;
    if (trust.dwUnionChoice == WTD_CHOICE_FILE) {
        EXPECT_EQ(trust.pFile->hFile, opened);
        SetLastError(scenario.lastError);
        return scenario.embedded;
    }
    EXPECT_EQ(trust.pCatalog->hMemberFile, opened);
    memberTag = trust.pCatalog->pcwszMemberTag;
    memberSize = trust.pCatalog->cbStruct;
    // C:\<k>.cat, as the search named it: the k-th catalog of its kind.
    const wchar_t* file = trust.pCatalog->pcwszCatalogFilePath;
    const std::vector<LONG>& answers = file[3] == L'2' ? scenario.sha256 : scenario.sha1;
    return answers[size_t(file[5] - L'0')];
}
CRYPT_PROVIDER_DATA* WINAPI fakeState(HANDLE handle) { return handle == stateHandle ? &state : nullptr; }
CRYPT_PROVIDER_SGNR* WINAPI fakeSigner(CRYPT_PROVIDER_DATA*, DWORD, BOOL, DWORD) { return &signer; }
CRYPT_PROVIDER_CERT* WINAPI fakeLeaf(CRYPT_PROVIDER_SGNR*, DWORD)
{
    leaf.pCert = &leafCertificate;
    return &leaf;
}
DWORD WINAPI fakeName(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR name, DWORD size)
{
    if (name != nullptr)
        lstrcpynW(name, L"Fake Signer", int(size));
    return 12;
}
BOOL WINAPI fakeAcquire2(HCATADMIN* admin, const GUID*, PCWSTR algorithm, const void*, DWORD)
{
    EXPECT_STREQ(algorithm, L"SHA256");
    *admin = sha256Admin;
    return TRUE;
}
BOOL WINAPI fakeAcquire(HCATADMIN* admin, const GUID*, DWORD)
{
    *admin = sha1Admin;
    return TRUE;
}
BOOL hashed(DWORD length, DWORD* size, BYTE* hash)
{
    if (scenario.hashError != 0) {
        SetLastError(scenario.hashError);
        return FALSE;
    }
    for (DWORD i = 0; i < length; ++i)
        hash[i] = BYTE(i * 9);
    *size = length;
    return TRUE;
}
BOOL WINAPI fakeHash2(HCATADMIN, HANDLE file, DWORD* size, BYTE* hash, DWORD)
{
    EXPECT_EQ(file, opened);
    return hashed(32, size, hash);
}
BOOL WINAPI fakeHash(HANDLE, DWORD* size, BYTE* hash, DWORD) { return hashed(20, size, hash); }
// Catalog contexts 1, 2, ... of each kind; the previous one is freed.
HCATINFO WINAPI fakeFind(HCATADMIN admin, BYTE*, DWORD size, DWORD, HCATINFO* previous)
{
    EXPECT_EQ(size, admin == sha256Admin ? 32u : 20u);
    const size_t next = previous != nullptr && *previous != nullptr ? reinterpret_cast<size_t>(*previous) & 0xFF : 0;
    if (next < (admin == sha256Admin ? scenario.sha256 : scenario.sha1).size())
        return reinterpret_cast<HCATINFO>((next + 1) | (admin == sha256Admin ? 0x100 : 0));
    SetLastError(scenario.searchEnd);
    return nullptr;
}
BOOL WINAPI fakeInfo(HCATINFO catalog, CATALOG_INFO* info, DWORD)
{
    const size_t k = reinterpret_cast<size_t>(catalog);
    wsprintfW(info->wszCatalogFile, L"C:\\%c\\%u.cat", (k & 0x100) != 0 ? L'2' : L'1', unsigned((k & 0xFF) - 1));
    return TRUE;
}
BOOL WINAPI releasedCatalog(HCATADMIN, HCATINFO, DWORD) { return TRUE; }
BOOL WINAPI releasedAdmin(HCATADMIN, DWORD) { return TRUE; }
decltype(&GetProcAddress) realFind = nullptr;
FARPROC WINAPI trustLookup(HMODULE module, LPCSTR name)
{
    const std::pair<const char*, void*> fakes[] = {
        {"WinVerifyTrust", reinterpret_cast<void*>(&fakeVerify)},
        {"WTHelperProvDataFromStateData", reinterpret_cast<void*>(&fakeState)},
        {"WTHelperGetProvSignerFromChain", reinterpret_cast<void*>(&fakeSigner)},
        {"WTHelperGetProvCertFromChain", reinterpret_cast<void*>(&fakeLeaf)},
        {"CertGetNameStringW", reinterpret_cast<void*>(&fakeName)},
        {"CryptCATAdminAcquireContext2", reinterpret_cast<void*>(&fakeAcquire2)},
        {"CryptCATAdminAcquireContext", reinterpret_cast<void*>(&fakeAcquire)},
        {"CryptCATAdminCalcHashFromFileHandle2", reinterpret_cast<void*>(&fakeHash2)},
        {"CryptCATAdminCalcHashFromFileHandle", reinterpret_cast<void*>(&fakeHash)},
        {"CryptCATAdminEnumCatalogFromHash", reinterpret_cast<void*>(&fakeFind)},
        {"CryptCATCatalogInfoFromContext", reinterpret_cast<void*>(&fakeInfo)},
        {"CryptCATAdminReleaseCatalogContext", reinterpret_cast<void*>(&releasedCatalog)},
        {"CryptCATAdminReleaseContext", reinterpret_cast<void*>(&releasedAdmin)},
    };
    for (const auto& fake : fakes) {
        if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == fake.first)
            return reinterpret_cast<FARPROC>(fake.second);
    }
    return realFind(module, name);
}
} // namespace

TEST(SignatureCheckerTest, WindowsAnswersWineDoesNotGive)
{
    ImportSwap lookup("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&trustLookup));
    realFind = lookup.original<decltype(realFind)>();
    const LONG none = LONG(0x800B0100), expired = LONG(0x800B0101), untrusted = LONG(0x800B0109);
    const LONG badDigest = LONG(0x80096010), distrusted = LONG(0x800B0111), rpcDown = LONG(0x800706BA);
    using General::Signature;
    const struct {
        Scenario windows;
        Signature expected;
        LONG code;
        const wchar_t* signer;
    } cases[] = {
        {{untrusted, 0, {}, {}, 0, 0}, Signature::Untrusted, untrusted, L"Fake Signer"},
        {{distrusted, 0, {}, {}, 0, 0}, Signature::Distrusted, distrusted, L"Fake Signer"},
        {{none, DWORD(none), {0}, {}, 0, 0}, Signature::Catalog, 0, L"Fake Signer"},
        {{none, DWORD(none), {untrusted}, {}, ERROR_NOT_FOUND, 0}, Signature::Untrusted, untrusted, L"Fake Signer"},
        {{expired, 0, {}, {}, 0, 0}, Signature::Expired, expired, L"Fake Signer"},
        {{LONG(0x80092026), 0, {}, {}, 0, 0}, Signature::Error, LONG(0x80092026), L"Fake Signer"},
        {{none, DWORD(none), {}, {}, ERROR_NOT_FOUND, 0}, Signature::Unsigned, none, L""},
        // A signature that could not be read is not "not signed".
        {{none, ERROR_SHARING_VIOLATION, {0}, {}, 0, 0}, Signature::Error, ERROR_SHARING_VIOLATION, L""},
        // The cryptographic service stopped: nothing could be looked up.
        {{none, DWORD(none), {}, {}, DWORD(rpcDown), 0}, Signature::Error, rpcDown, L""},
        // Not a file the system hashes.
        {{none, DWORD(none), {0}, {}, 0, ERROR_BAD_EXE_FORMAT}, Signature::Error, ERROR_BAD_EXE_FORMAT, L""},
        // Only a SHA-1 catalog holds it; a later catalog where the first fails.
        {{none, DWORD(none), {}, {0}, ERROR_NOT_FOUND, 0}, Signature::Catalog, 0, L"Fake Signer"},
        {{none, DWORD(none), {badDigest, 0}, {}, ERROR_NOT_FOUND, 0}, Signature::Catalog, 0, L"Fake Signer"},
    };
    const std::string path = TestSupport::siblingPath("named_module.dll");
    opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        scenario = c.windows;
        SignatureChecker checker;
        Verdict verdict;
        memberTag.clear();
        checker.verify(std::wstring(path.begin(), path.end()).c_str(), opened, verdict);
        EXPECT_EQ(verdict.signature, c.expected);
        EXPECT_EQ(verdict.code, uint32_t(c.code));
        EXPECT_EQ(std::wstring(verdict.signer.count != 0 ? verdict.signer.items : L""), c.signer);
        // The member tag is the file's hash in upper-case hexadecimal; a
        // SHA-1 catalog is given the first generation's record.
        if (c.windows.sha256.empty() && !c.windows.sha1.empty()) {
            EXPECT_EQ(memberTag, L"0009121B242D363F48515A636C757E879099A2AB");
            EXPECT_EQ(memberSize, sizeof(WINTRUST_CATALOG_INFO));
        } else if (!c.windows.sha256.empty() && c.windows.hashError == 0 && c.windows.lastError == DWORD(none)) {
            EXPECT_EQ(memberTag, L"0009121B242D363F48515A636C757E879099A2ABB4BDC6CFD8E1EAF3FC050E17");
        }
    }
    CloseHandle(opened);
}

namespace {
// Windows takes a path of MAX_PATH characters or more only in its \\?\ form,
// and the version calls not at all; Wine takes any.
decltype(&CreateFileW) realCreate = nullptr;
HANDLE WINAPI shortPathsOnly(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                             DWORD flags, HANDLE from)
{
    if (lstrlenW(name) >= MAX_PATH && wcsncmp(name, L"\\\\?\\", 4) != 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return realCreate(name, access, share, security, how, flags, from);
}
using VersionSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using VersionInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
VersionSize realSize = nullptr;
VersionInfo realInfo = nullptr;
DWORD WINAPI sizeOfShort(LPCWSTR name, LPDWORD handle)
{
    return lstrlenW(name) < MAX_PATH ? realSize(name, handle) : (SetLastError(ERROR_FILENAME_EXCED_RANGE), 0);
}
BOOL WINAPI infoOfShort(LPCWSTR name, DWORD handle, DWORD size, LPVOID data)
{
    return lstrlenW(name) < MAX_PATH ? realInfo(name, handle, size, data)
                                     : (SetLastError(ERROR_FILENAME_EXCED_RANGE), FALSE);
}
decltype(&GetProcAddress) realLookupOfVersion = nullptr;
FARPROC WINAPI versionLookup(HMODULE module, LPCSTR name)
{
    const FARPROC found = realLookupOfVersion(module, name);
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetFileVersionInfoSizeW") {
        realSize = reinterpret_cast<VersionSize>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&sizeOfShort));
    }
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::string(name) == "GetFileVersionInfoW") {
        realInfo = reinterpret_cast<VersionInfo>(reinterpret_cast<void*>(found));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&infoOfShort));
    }
    return found;
}
} // namespace

// A module deeper than MAX_PATH, as a Node or Electron application's: its
// version, signature and identity read all the same.
TEST(FileDetailsTest, PathLongerThanMaxPathReadWhole)
{
    wchar_t temp[MAX_PATH];
    std::wstring path(temp, GetTempPathW(MAX_PATH, temp));
    path += L"orrimel-long";
    CreateDirectoryW(path.c_str(), nullptr);
    for (int level = 0; level < 4; ++level) {
        path += L"\\" + std::wstring(60, wchar_t(L'a' + level));
        CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
    }
    path += L"\\named_module.dll";
    const std::string module = TestSupport::siblingPath("named_module.dll");
    ASSERT_TRUE(CopyFileW(std::wstring(module.begin(), module.end()).c_str(), (L"\\\\?\\" + path).c_str(), FALSE));
    FileDetails read;
    {
        ImportSwap create("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&shortPathsOnly));
        realCreate = create.original<decltype(realCreate)>();
        ImportSwap lookup("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&versionLookup));
        realLookupOfVersion = lookup.original<decltype(realLookupOfVersion)>();
        EXPECT_TRUE(DetailsReader().read(path.c_str(), read));
    }
    EXPECT_TRUE(read.identity.opened);
    EXPECT_GT(read.identity.size, 0u);
    ASSERT_TRUE(read.version.versioned);
    EXPECT_STREQ(read.version.company.items, L"Tarnwick Test Maker");
    EXPECT_EQ(read.verdict.signature, General::Signature::Unsigned);
    DeleteFileW((L"\\\\?\\" + path).c_str());
    for (int level = 0; level < 5; ++level) {
        path.erase(path.rfind(L'\\'));
        RemoveDirectoryW((L"\\\\?\\" + path).c_str());
    }
}

namespace {
// A file on a share that no longer answers: its open waits until released.
HANDLE entered = nullptr, released = nullptr;
decltype(&CreateFileW) realHangingOpen = nullptr;
HANDLE WINAPI hangingOpen(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                          DWORD flags, HANDLE from)
{
    if (wcsstr(name, L"unreachable") == nullptr)
        return realHangingOpen(name, access, share, security, how, flags, from);
    SetEvent(entered);
    WaitForSingleObject(released, INFINITE);
    SetLastError(ERROR_BAD_NETPATH);
    return INVALID_HANDLE_VALUE;
}
} // namespace

// The program's end never waits on such a file: the cache ends while its
// worker is still inside the open.
TEST(DetailsCacheTest, EndsWithoutWaitingForAFileThatHangs)
{
    entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ImportSwap open("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&hangingOpen));
    realHangingOpen = open.original<decltype(realHangingOpen)>();
    {
        DetailsCache cache;
        FileDetails details;
        const wchar_t path[] = L"\\\\server\\unreachable\\a.dll";
        EXPECT_FALSE(cache.find(path, sizeof(path) / sizeof(path[0]) - 1, details));
        ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    }
    SetEvent(released);
}

// A file replaced by another of the same size, its write time set back as
// a copy tool does, is read again at the next snapshot: its ID and change
// time tell it apart.
TEST(DetailsCacheTest, ReplacedFileWithTheSameSizeAndTimeIsReadAgain)
{
    const std::string signedCopy = TestSupport::siblingPath("signed_module.dll");
    const std::string changedCopy = TestSupport::siblingPath("changed_module.dll");
    const std::string target = TestSupport::siblingPath("replaced_module.dll");
    ASSERT_TRUE(CopyFileA(signedCopy.c_str(), target.c_str(), FALSE));
    const std::wstring path(target.begin(), target.end());
    DetailsCache cache;
    FileDetails details;
    const auto answer = [&]() {
        for (int i = 0; i < 2000 && !cache.find(path.c_str(), uint32_t(path.size()), details); ++i)
            Sleep(5);
        return details.verdict.signature;
    };
    EXPECT_EQ(answer(), General::Signature::Signed);
    FILETIME written = {};
    HANDLE file = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    ASSERT_TRUE(DeleteFileA(target.c_str()));
    ASSERT_TRUE(CopyFileA(changedCopy.c_str(), target.c_str(), FALSE));
    file = CreateFileA(target.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    cache.newSnapshot();
    cache.find(path.c_str(), uint32_t(path.size()), details); // asked again: the answer kept stands meanwhile
    Sleep(50);
    EXPECT_EQ(answer(), General::Signature::Invalid);
    DeleteFileA(target.c_str());
}
