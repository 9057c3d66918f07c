// A module file's signature verified, embedded or by catalog.
#include "SignatureCheck.h"

#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

using namespace Core;

namespace Details {

namespace {

using VerifyTrust = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using ProviderData = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
using SignerOf = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL, DWORD);
using CertificateOf = CRYPT_PROVIDER_CERT*(WINAPI*)(CRYPT_PROVIDER_SGNR*, DWORD);
using NameOf = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);
using Acquire = BOOL(WINAPI*)(HCATADMIN*, const GUID*, DWORD);
using Acquire2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, const void*, DWORD);
using HashOf = BOOL(WINAPI*)(HANDLE, DWORD*, BYTE*, DWORD);
using HashOf2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
using FindCatalog = HCATINFO(WINAPI*)(HCATADMIN, BYTE*, DWORD, DWORD, HCATINFO*);
using CatalogInfo = BOOL(WINAPI*)(HCATINFO, CATALOG_INFO*, DWORD);
using ReleaseCatalog = BOOL(WINAPI*)(HCATADMIN, HCATINFO, DWORD);
using ReleaseAdmin = BOOL(WINAPI*)(HCATADMIN, DWORD);

// The catalog member record with the field Windows 8 added, which a SHA-256
// catalog needs; a SHA-1 lookup gives the record without it.
struct CatalogMember {
    WINTRUST_CATALOG_INFO info;
    HCATADMIN admin;
};

const DWORD noSignature = static_cast<DWORD>(TRUST_E_NOSIGNATURE);
const DWORD formUnknown = static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN);
const DWORD providerUnknown = static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN);

// Taken once for the process and never freed.
struct TrustLibraries {
    SystemLibrary wintrust{L"wintrust.dll"};
    SystemLibrary crypt32{L"crypt32.dll"};
};

const TrustLibraries& libraries()
{
    static TrustLibraries* volatile kept = nullptr;
    if (kept == nullptr) {
        TrustLibraries* made = new TrustLibraries;
        if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&kept), made, nullptr) != nullptr)
            delete made; // another thread's stands
    }
    return *kept;
}

template <class Function>
Function trust(const char* name)
{
    return libraries().wintrust.find<Function>(name);
}

// XP's WinVerifyTrust does not know the cache-only flag.
bool cacheOnlyKnown()
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    return VerifyVersionInfoW(&version, VER_MAJORVERSION, VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL)) !=
           FALSE;
}

// Where no catalog holds the hash: Windows says ERROR_NOT_FOUND; a catalog
// folder without a catalog in it ends the same search with these.
bool noneFound(DWORD error)
{
    return error == ERROR_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

} // namespace

SignatureChecker::~SignatureChecker()
{
    const auto release = trust<ReleaseAdmin>("CryptCATAdminReleaseContext");
    for (HCATADMIN admin : admins) {
        if (admin != nullptr && release != nullptr)
            release(admin, 0);
    }
}

SignatureChecker::Answer SignatureChecker::run(WINTRUST_DATA& data, Core::Array<wchar_t>& signer)
{
    const auto verify = trust<VerifyTrust>("WinVerifyTrust");
    if (verify == nullptr)
        return {static_cast<LONG>(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)), 0};
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    // Nothing waits on the network: no revocation check by any provider, and
    // cached URLs only where the system knows the flag.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    static const bool cacheOnly = cacheOnlyKnown();
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | (cacheOnly ? WTD_CACHE_ONLY_URL_RETRIEVAL : 0);
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    HWND noUser = static_cast<HWND>(INVALID_HANDLE_VALUE);
    SetLastError(0);
    const Answer answer = {verify(noUser, &action, &data), GetLastError()};
    signer.dropBack(signer.count);
    const auto provider = trust<ProviderData>("WTHelperProvDataFromStateData");
    const auto signerOf = trust<SignerOf>("WTHelperGetProvSignerFromChain");
    const auto certificateOf = trust<CertificateOf>("WTHelperGetProvCertFromChain");
    const auto nameOf = libraries().crypt32.find<NameOf>("CertGetNameStringW");
    if (data.hWVTStateData != nullptr && provider != nullptr && signerOf != nullptr && certificateOf != nullptr &&
        nameOf != nullptr) {
        CRYPT_PROVIDER_DATA* state = provider(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* first = state != nullptr ? signerOf(state, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* leaf = first != nullptr ? certificateOf(first, 0) : nullptr;
        const DWORD length = leaf != nullptr && leaf->pCert != nullptr
                                 ? nameOf(leaf->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0)
                                 : 0;
        if (length > 1) {
            signer.appendRepeated(length, L'\0');
            nameOf(leaf->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, signer.items, length);
        }
    }
    // Closed whatever the answer, so that no state is left behind.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(noUser, &action, &data);
    return answer;
}

bool SignatureChecker::hashOf(HANDLE file, bool sha256, BYTE* digest, DWORD& size, DWORD& error)
{
    size = 64;
    BOOL hashed = FALSE;
    if (sha256) {
        const auto hash2 = trust<HashOf2>("CryptCATAdminCalcHashFromFileHandle2");
        hashed = hash2 != nullptr && hash2(admins[1], file, &size, digest, 0);
    } else {
        const auto hash = trust<HashOf>("CryptCATAdminCalcHashFromFileHandle");
        hashed = hash != nullptr && hash(file, &size, digest, 0);
    }
    error = hashed ? 0 : GetLastError();
    if (!hashed && error == 0)
        error = ERROR_PROC_NOT_FOUND;
    return hashed != FALSE;
}

SignatureChecker::Lookup SignatureChecker::member(const wchar_t* catalog, const wchar_t* path, HANDLE file,
                                                  bool sha256, const BYTE* digest, DWORD size, Verdict& into)
{
    // The member tag is the hash in upper-case hexadecimal.
    wchar_t tag[2 * 64 + 1];
    for (DWORD i = 0; i < size; ++i)
        wsprintfW(tag + 2 * i, L"%02X", digest[i]);
    CatalogMember record = {};
    record.info.cbStruct = sha256 ? sizeof(CatalogMember) : sizeof(WINTRUST_CATALOG_INFO);
    record.info.pcwszCatalogFilePath = catalog;
    record.info.pcwszMemberTag = tag;
    record.info.pcwszMemberFilePath = path;
    record.info.hMemberFile = file;
    record.info.pbCalculatedFileHash = const_cast<BYTE*>(digest);
    record.info.cbCalculatedFileHash = size;
    record.admin = sha256 ? admins[1] : nullptr;
    WINTRUST_DATA data = {};
    data.dwUnionChoice = WTD_CHOICE_CATALOG;
    data.pCatalog = &record.info;
    into.code = static_cast<uint32_t>(run(data, into.signer).result);
    into.signature = Details::signatureOf(into.code, true);
    return Found;
}

SignatureChecker::Lookup SignatureChecker::inCatalogs(const wchar_t* path, HANDLE file, bool sha256, Verdict& into)
{
    const auto find = trust<FindCatalog>("CryptCATAdminEnumCatalogFromHash");
    const auto info = trust<CatalogInfo>("CryptCATCatalogInfoFromContext");
    const auto releaseCatalog = trust<ReleaseCatalog>("CryptCATAdminReleaseCatalogContext");
    HCATADMIN& admin = admins[sha256 ? 1 : 0];
    if (admin == nullptr) {
        GUID driverAction = DRIVER_ACTION_VERIFY;
        const auto acquire2 = trust<Acquire2>("CryptCATAdminAcquireContext2");
        const auto acquire = trust<Acquire>("CryptCATAdminAcquireContext");
        BOOL acquired = FALSE;
        if (sha256)
            acquired = acquire2 != nullptr && acquire2(&admin, &driverAction, L"SHA256", nullptr, 0);
        else
            acquired = acquire != nullptr && acquire(&admin, &driverAction, 0);
        if (!acquired || find == nullptr || info == nullptr || releaseCatalog == nullptr) {
            const DWORD error = GetLastError();
            admin = acquired ? admin : nullptr;
            into.code = error != 0 && acquired == FALSE ? error : ERROR_PROC_NOT_FOUND;
            return CouldNotLook;
        }
    }
    BYTE digest[64];
    DWORD size = 0, error = 0;
    if (!hashOf(file, sha256, digest, size, error)) {
        into.code = error; // not a file the system can hash: not a PE, too large, unreadable
        return CouldNotLook;
    }
    // Every catalog that holds the hash, until one verifies.
    Lookup answer = NotFound;
    HCATINFO catalog = nullptr;
    for (;;) {
        // Given the previous context (none at first), the search goes on
        // past it and frees it.
        HCATINFO previous = catalog;
        catalog = find(admin, digest, size, 0, &previous);
        if (catalog == nullptr) {
            error = GetLastError();
            break;
        }
        CATALOG_INFO where = {};
        where.cbStruct = sizeof(where);
        if (info(catalog, &where, 0))
            answer = member(where.wszCatalogFile, path, file, sha256, digest, size, into);
        if (Details::trusted(into.signature)) {
            releaseCatalog(admin, catalog, 0);
            return Found;
        }
    }
    if (answer == NotFound && !noneFound(error)) {
        into.code = error; // the catalog service could not be asked
        return CouldNotLook;
    }
    return answer;
}

SignatureChecker::Lookup SignatureChecker::inPackage(const wchar_t* path, HANDLE file, Verdict& into)
{
    // ...\WindowsApps\<package>\...: the package's own catalog, SHA-256.
    const wchar_t* folder = nullptr;
    for (const wchar_t* c = path; *c != L'\0'; ++c) {
        if (*c == L'\\' && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, c, 13, L"\\WindowsApps\\", 13) == CSTR_EQUAL)
            folder = c + 13;
    }
    const wchar_t* end = folder;
    while (end != nullptr && *end != L'\0' && *end != L'\\')
        ++end;
    if (end == nullptr || *end != L'\\' || end == folder || admins[1] == nullptr)
        return NotFound;
    Core::Array<wchar_t> catalog;
    catalog.appendRange(path, static_cast<uint32_t>(end - path));
    const wchar_t tail[] = L"\\AppxMetadata\\CodeIntegrity.cat";
    catalog.appendRange(tail, sizeof(tail) / sizeof(tail[0]));
    if (GetFileAttributesW(catalog.items) == INVALID_FILE_ATTRIBUTES)
        return NotFound;
    BYTE digest[64];
    DWORD size = 0, error = 0;
    if (!hashOf(file, true, digest, size, error)) {
        into.code = error;
        return CouldNotLook;
    }
    return member(catalog.items, path, file, true, digest, size, into);
}

void SignatureChecker::verify(const wchar_t* path, HANDLE file, Verdict& into)
{
    WINTRUST_FILE_INFO info = {};
    info.cbStruct = sizeof(info);
    info.pcwszFilePath = path;
    info.hFile = file;
    WINTRUST_DATA data = {};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    const Answer embedded = run(data, into.signer);
    into.code = static_cast<uint32_t>(embedded.result);
    into.signature = Details::signatureOf(into.code, false);
    if (into.code != noSignature)
        return;
    // The same answer stands for a signature that could not be read; the
    // last error tells which.
    if (embedded.lastError != noSignature && embedded.lastError != formUnknown &&
        embedded.lastError != providerUnknown) {
        into.code = embedded.lastError != 0 ? embedded.lastError : into.code;
        into.signature = Details::Signature::Error;
        into.signer.dropBack(into.signer.count);
        return;
    }
    // Most of Windows' own files are signed in a catalog, not in the file;
    // catalogs of older packages hold only SHA-1 hashes.
    const bool sha256 = trust<Acquire2>("CryptCATAdminAcquireContext2") != nullptr &&
                        trust<HashOf2>("CryptCATAdminCalcHashFromFileHandle2") != nullptr;
    Lookup found = inCatalogs(path, file, sha256, into);
    if (found == NotFound && sha256)
        found = inCatalogs(path, file, false, into);
    if (found == NotFound && sha256)
        found = inPackage(path, file, into);
    if (found == Found)
        return;
    into.signer.dropBack(into.signer.count);
    if (found == NotFound) {
        into.code = noSignature;
        into.signature = Details::Signature::Unsigned;
    } else {
        into.signature = Details::Signature::Error;
    }
}

} // namespace Details
