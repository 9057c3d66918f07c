#include "ImportSwap.h"

#include <stdexcept>
#include <string>

namespace TestSupport {

namespace {

void writeSlot(void** slot, void* value)
{
    DWORD protection;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), protection, &protection);
}

void** findSlot(const char* module, const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), module) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&addresses->u1.Function);
        }
    }
    throw std::runtime_error(std::string("not imported: ") + module + "!" + function);
}

} // namespace

ImportSwap::ImportSwap(const char* module, const char* function, void* replacement)
    : slot(findSlot(module, function)), saved(*slot)
{
    writeSlot(slot, replacement);
}

ImportSwap::~ImportSwap() { writeSlot(slot, saved); }

void* ImportSwap::current(const char* module, const char* function) { return *findSlot(module, function); }

} // namespace TestSupport
