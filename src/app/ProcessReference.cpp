// The process kept alive while a shell property sheet of it is open.
#include "ProcessReference.h"

namespace App {

namespace {

using SetInstance = void(WINAPI*)(IUnknown*);

SetInstance setInstance()
{
    // Exported by name from XP on; by its ordinal before.
    const HMODULE shell = GetModuleHandleW(L"shell32.dll");
    FARPROC found = shell != nullptr ? GetProcAddress(shell, "SHSetInstanceExplorer") : nullptr;
    if (found == nullptr && shell != nullptr)
        found = GetProcAddress(shell, MAKEINTRESOURCEA(176));
    return reinterpret_cast<SetInstance>(reinterpret_cast<void*>(found));
}

} // namespace

ProcessReference::ProcessReference() : thread(GetCurrentThreadId())
{
    if (const SetInstance set = setInstance()) {
        set(this);
        given = true;
    }
}

ProcessReference::~ProcessReference()
{
    if (given)
        setInstance()(nullptr);
    Release();
    // The last holder's release posts to this thread; nothing else of ours
    // runs here any more.
    MSG message;
    while (count != 0 && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

STDMETHODIMP ProcessReference::QueryInterface(REFIID id, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = IsEqualIID(id, __uuidof(IUnknown)) ? static_cast<IUnknown*>(this) : nullptr;
    if (*object == nullptr)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ProcessReference::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&count));
}

STDMETHODIMP_(ULONG) ProcessReference::Release()
{
    const LONG left = InterlockedDecrement(&count);
    if (left == 0)
        PostThreadMessageW(thread, WM_NULL, 0, 0);
    return static_cast<ULONG>(left);
}

} // namespace App
