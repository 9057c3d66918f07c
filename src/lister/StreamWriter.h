#pragma once

// The console lister's output to a console, a file or a pipe.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"
#include "core/Errors.h"
#include "core/Handles.h"

namespace Lister {

// Text for one standard handle, gathered in UTF-16 and written in large
// pieces: to a console through its UTF-16 interface, so that every script
// shows whatever its code page; to a file or a pipe as UTF-8 without a
// byte-order mark. A failed write raises WindowsError, but for a pipe whose
// reader has gone: then the rest is dropped unwritten.
class StreamWriter {
public:
    explicit StreamWriter(DWORD standardHandle);
    // To an open file, as UTF-8 after a byte-order mark (Excel and Windows
    // PowerShell 5.1 read such a file right).
    explicit StreamWriter(HANDLE file);
    // Text kept in `pending`, never written anywhere.
    StreamWriter() : handle(nullptr), console(false), kept(true) {}
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    void text(const wchar_t* text, uint32_t length);
    void text(const wchar_t* text);
    void endLine() { text(L"\r\n", 2); }
    // "orrimel: <about>: <the system's words>", or without `about`, and CR LF.
    void failure(const wchar_t* about, const Core::WindowsError& error);
    // What was appended to `pending` directly is written once it is large.
    void added();
    void flush();

    Core::Array<wchar_t> pending;

private:
    HANDLE handle;
    bool console;
    bool kept = false;
    Core::Array<char> bytes;
};

// -o FILE: the output written to a new file in FILE's folder, moved over
// FILE only when committed, so that a run that fails or is stopped leaves
// what was there as it was.
class OutputFile {
public:
    // Raises WindowsError when the file cannot be made (no such folder).
    explicit OutputFile(const wchar_t* target);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Uncommitted, the new file is deleted.
    ~OutputFile();

    HANDLE handle() const { return file.get(); }
    // Replaces FILE by what was written; raises WindowsError when it cannot.
    void commit();

private:
    Core::Array<wchar_t> target;
    Core::Array<wchar_t> temporary;
    Core::KernelHandle file;
    bool committed = false;
};

} // namespace Lister
