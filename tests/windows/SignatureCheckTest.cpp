#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>
#include <softpub.h>

#include <string>
#include <vector>

#include "details/SignatureCheck.h"
#include "support/ImportSwap.h"
#include "support/SiblingPath.h"

using TestSupport::ImportSwap;
using namespace Details;

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
    using Details::Signature;
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
