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
// Windows' answers where Wine's differ: an untrusted root, a file signed in
// a catalog (Wine has none), an expired certificate, a failure.
struct Scenario {
    LONG embedded;
    bool inCatalog;
    LONG catalog;
} scenario;
std::wstring memberTag;
CERT_CONTEXT leafCertificate = {};
CRYPT_PROVIDER_CERT leaf = {};
CRYPT_PROVIDER_SGNR signer = {};
CRYPT_PROVIDER_DATA state = {};
HANDLE const stateHandle = reinterpret_cast<HANDLE>(0x5151);
LONG WINAPI fakeVerify(HWND, GUID*, LPVOID data)
{
    auto& trust = *static_cast<WINTRUST_DATA*>(data);
    EXPECT_EQ(trust.dwUIChoice, DWORD(WTD_UI_NONE));
    EXPECT_EQ(trust.fdwRevocationChecks, DWORD(WTD_REVOKE_NONE));
    EXPECT_NE(trust.dwProvFlags & WTD_CACHE_ONLY_URL_RETRIEVAL, 0u);
    if (trust.dwStateAction == WTD_STATEACTION_CLOSE)
        return 0;
    trust.hWVTStateData = stateHandle;
    if (trust.dwUnionChoice == WTD_CHOICE_CATALOG)
        memberTag = trust.pCatalog->pcwszMemberTag;
    return trust.dwUnionChoice == WTD_CHOICE_CATALOG ? scenario.catalog : scenario.embedded;
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
BOOL WINAPI fakeAcquire(HCATADMIN* admin, const GUID*, PCWSTR, const void*, DWORD)
{
    *admin = reinterpret_cast<HCATADMIN>(0x5152);
    return TRUE;
}
BOOL WINAPI fakeHash(HCATADMIN, HANDLE, DWORD* size, BYTE* hash, DWORD)
{
    for (DWORD i = 0; i < 32; ++i)
        hash[i] = BYTE(i * 9);
    *size = 32;
    return TRUE;
}
HCATINFO WINAPI fakeFind(HCATADMIN, BYTE*, DWORD, DWORD, HCATINFO*)
{
    return scenario.inCatalog ? reinterpret_cast<HCATINFO>(0x5153) : nullptr;
}
BOOL WINAPI fakeInfo(HCATINFO, CATALOG_INFO* info, DWORD)
{
    lstrcpyW(info->wszCatalogFile, L"C:\\Windows\\System32\\catroot\\nt5.cat");
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
        {"CryptCATAdminAcquireContext2", reinterpret_cast<void*>(&fakeAcquire)},
        {"CryptCATAdminCalcHashFromFileHandle2", reinterpret_cast<void*>(&fakeHash)},
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
    const struct {
        Scenario windows;
        General::Signature expected;
        const wchar_t* signer;
    } cases[] = {
        {{untrusted, false, 0}, General::Signature::Untrusted, L"Fake Signer"},
        {{none, true, 0}, General::Signature::Catalog, L"Fake Signer"},
        {{none, true, untrusted}, General::Signature::Untrusted, L"Fake Signer"},
        {{expired, false, 0}, General::Signature::Expired, L"Fake Signer"},
        {{LONG(0x80092026), false, 0}, General::Signature::Error, L"Fake Signer"},
        {{none, false, 0}, General::Signature::Unsigned, L""},
    };
    SignatureChecker checker;
    const std::string path = TestSupport::siblingPath("named_module.dll");
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        scenario = c.windows;
        Verdict verdict;
        checker.verify(std::wstring(path.begin(), path.end()).c_str(), verdict);
        EXPECT_EQ(verdict.signature, c.expected);
        EXPECT_EQ(verdict.code, uint32_t(c.windows.inCatalog ? c.windows.catalog : c.windows.embedded));
        EXPECT_EQ(std::wstring(verdict.signer.count != 0 ? verdict.signer.items : L""), c.signer);
    }
    // The member tag is the file's hash in upper-case hexadecimal.
    EXPECT_EQ(memberTag, L"0009121B242D363F48515A636C757E879099A2ABB4BDC6CFD8E1EAF3FC050E17");
}
