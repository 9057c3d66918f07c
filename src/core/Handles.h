#pragma once

// Holders that give back what the system hands out: kernel handles, GDI
// objects, memory device contexts, service manager handles, menus, and a
// critical section; and the brackets of a window's device context.
#include <windows.h>

namespace Core {

// Sole owner of one handle: move-only, given back when the holder ends or
// is reset; release() hands it over without giving it back. `Traits` names
// the type, its empty value, what counts as held, and how it is given back.
template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    explicit UniqueHandle(Type value = Traits::empty()) : held(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : held(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Type get() const { return held; }
    bool valid() const { return Traits::valid(held); }

    // Gives back what is held, then holds `value`.
    void reset(Type value = Traits::empty())
    {
        if (Traits::valid(held))
            Traits::close(held);
        held = value;
    }

    Type release()
    {
        const Type kept = held;
        held = Traits::empty();
        return kept;
    }

private:
    Type held;
};

// A handle that null leaves empty, given back by `Close`.
template <class T, auto Close>
struct NullTraits {
    using Type = T;
    static Type empty() { return nullptr; }
    static bool valid(Type value) { return value != nullptr; }
    static void close(Type value) { Close(value); }
};

// A process, thread, snapshot, file or event. Null and INVALID_HANDLE_VALUE
// hold nothing.
struct KernelTraits : NullTraits<HANDLE, CloseHandle> {
    static bool valid(Type value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
};
using KernelHandle = UniqueHandle<KernelTraits>;
using GdiObject = UniqueHandle<NullTraits<HGDIOBJ, DeleteObject>>;           // a pen, bitmap or font
using MemoryDc = UniqueHandle<NullTraits<HDC, DeleteDC>>;                    // a memory device context
using ServiceHandle = UniqueHandle<NullTraits<SC_HANDLE, CloseServiceHandle>>; // the manager, or a service
using MenuHandle = UniqueHandle<NullTraits<HMENU, DestroyMenu>>;             // a menu no window owns

// A critical section, made with its holder and deleted with it.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&section); }

    // Held until the scope of the returned guard ends.
    class Held {
    public:
        explicit Held(CriticalSection& lock) : locked(lock.section) { EnterCriticalSection(&locked); }
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
        ~Held() { LeaveCriticalSection(&locked); }

    private:
        CRITICAL_SECTION& locked;
    };

private:
    CRITICAL_SECTION section;
};

// A window's device context from GetDC, released when the scope ends.
class WindowDc {
public:
    explicit WindowDc(HWND window) : hwnd(window), dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { ReleaseDC(hwnd, dc); }

    HWND hwnd;
    HDC dc;
};

// BeginPaint/EndPaint bracket.
class PaintScope {
public:
    explicit PaintScope(HWND window) : hwnd(window) { dc = BeginPaint(hwnd, &paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(hwnd, &paint); }

    HWND hwnd;
    PAINTSTRUCT paint;
    HDC dc;
};

} // namespace Core
