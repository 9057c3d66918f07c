#pragma once

// Holders that close kernel handles and free GDI objects and device contexts.
#include <windows.h>

namespace Windows {

// Closes a kernel handle (process, snapshot, thread) on every way out of the
// scope that opened it. Null and INVALID_HANDLE_VALUE hold nothing.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE value = nullptr) : handle(value) {}
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() { close(); }

    bool valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

    void close()
    {
        if (valid())
            CloseHandle(handle);
        handle = nullptr;
    }

    HANDLE handle;
};

// Deletes a GDI object (pen, bitmap, font) when the scope ends.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ value = nullptr) : object(value) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject()
    {
        if (object != nullptr)
            DeleteObject(object);
    }

    HGDIOBJ object;
};

// A memory device context, deleted when the scope ends.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc()
    {
        if (dc != nullptr)
            DeleteDC(dc);
    }

    HDC dc;
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

} // namespace Windows
