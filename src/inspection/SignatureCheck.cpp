// A module file's signature verified, embedded or by catalog.
#include "SignatureCheck.h"

#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include "core/Handles.h"

namespace Windows {

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
// catalog needs; older systems are given the record without it.
struct CatalogMember {
    WINTRUST_CATALOG_INFO info;
    HCATADMIN admin;
};

const uint32_t noSignature = 0x800B0100; // TRUST_E_NOSIGNATURE

} // namespace

SignatureChecker::SignatureChecker() : wintrust(L"wintrust.dll"), crypt32(L"crypt32.dll") {}

LONG SignatureChecker::run(WINTRUST_DATA& data, General::Array<wchar_t>& signer)
{
    const auto verify = wintrust.find<VerifyTrust>("WinVerifyTrust");
    if (verify == nullptr)
        return static_cast<LONG>(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    // Nothing waits on the network: no revocation fetch, cached URLs only.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    HWND noUser = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const LONG result = verify(noUser, &action, &data);
    signer.dropBack(signer.count);
    const auto provider = wintrust.find<ProviderData>("WTHelperProvDataFromStateData");
    const auto signerOf = wintrust.find<SignerOf>("WTHelperGetProvSignerFromChain");
    const auto certificateOf = wintrust.find<CertificateOf>("WTHelperGetProvCertFromChain");
    const auto nameOf = crypt32.find<NameOf>("CertGetNameStringW");
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
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(noUser, &action, &data);
    return result;
}

bool SignatureChecker::inCatalog(const wchar_t* path, Verdict& into)
{
    const auto acquire2 = wintrust.find<Acquire2>("CryptCATAdminAcquireContext2");
    const auto acquire = wintrust.find<Acquire>("CryptCATAdminAcquireContext");
    const auto hash2 = wintrust.find<HashOf2>("CryptCATAdminCalcHashFromFileHandle2");
    const auto hash = wintrust.find<HashOf>("CryptCATAdminCalcHashFromFileHandle");
    const auto find = wintrust.find<FindCatalog>("CryptCATAdminEnumCatalogFromHash");
    const auto info = wintrust.find<CatalogInfo>("CryptCATCatalogInfoFromContext");
    const auto releaseCatalog = wintrust.find<ReleaseCatalog>("CryptCATAdminReleaseCatalogContext");
    const auto releaseAdmin = wintrust.find<ReleaseAdmin>("CryptCATAdminReleaseContext");
    if (find == nullptr || info == nullptr || releaseCatalog == nullptr || releaseAdmin == nullptr)
        return false;
    // SHA-256 catalogs from Windows 8 on, SHA-1 before.
    const bool sha256 = acquire2 != nullptr && hash2 != nullptr;
    if (!sha256 && (acquire == nullptr || hash == nullptr))
        return false;
    HCATADMIN admin = nullptr;
    GUID driverAction = DRIVER_ACTION_VERIFY;
    if (!(sha256 ? acquire2(&admin, &driverAction, L"SHA256", nullptr, 0) : acquire(&admin, &driverAction, 0)))
        return false;
    KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    BYTE digest[64];
    DWORD size = sizeof(digest);
    bool found = false;
    if (file.valid() && (sha256 ? hash2(admin, file.handle, &size, digest, 0) : hash(file.handle, &size, digest, 0))) {
        if (HCATINFO catalog = find(admin, digest, size, 0, nullptr)) {
            CATALOG_INFO where = {};
            where.cbStruct = sizeof(where);
            if (info(catalog, &where, 0)) {
                // The member tag is the hash in upper-case hexadecimal.
                wchar_t tag[2 * sizeof(digest) + 1];
                for (DWORD i = 0; i < size; ++i)
                    wsprintfW(tag + 2 * i, L"%02X", digest[i]);
                CatalogMember member = {};
                member.info.cbStruct = sha256 ? sizeof(CatalogMember) : sizeof(WINTRUST_CATALOG_INFO);
                member.info.pcwszCatalogFilePath = where.wszCatalogFile;
                member.info.pcwszMemberTag = tag;
                member.info.pcwszMemberFilePath = path;
                member.info.hMemberFile = file.handle;
                member.info.pbCalculatedFileHash = digest;
                member.info.cbCalculatedFileHash = size;
                member.admin = admin;
                WINTRUST_DATA data = {};
                data.dwUnionChoice = WTD_CHOICE_CATALOG;
                data.pCatalog = &member.info;
                const LONG result = run(data, into.signer);
                into.code = static_cast<uint32_t>(result);
                into.signature = General::signatureOf(into.code, true);
                found = true;
            }
            releaseCatalog(admin, catalog, 0);
        }
    }
    releaseAdmin(admin, 0);
    return found;
}

void SignatureChecker::verify(const wchar_t* path, Verdict& into)
{
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    into.code = static_cast<uint32_t>(run(data, into.signer));
    into.signature = General::signatureOf(into.code, false);
    // Most of Windows' own files are signed in a catalog, not in the file.
    if (into.signature == General::Signature::Unsigned) {
        const uint32_t embedded = into.code;
        if (!inCatalog(path, into)) {
            into.code = embedded != 0 ? embedded : noSignature;
            into.signature = General::Signature::Unsigned;
            into.signer.dropBack(into.signer.count);
        }
    }
}

} // namespace Windows
