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

#include "details/DetailsCache.h"
#include "details/FileDetails.h"
#include "inspection/ProcessList.h"
#include "app/RowDetails.h"
#include "details/SignatureCheck.h"
#include "details/VersionResource.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using TestSupport::PlainListBox;
using namespace App;
using namespace Inspection;

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
