#pragma once

// The console lister's output to a console, a file or a pipe.
#include <windows.h>

#include <cstdint>

#include "core/Array.h"

namespace Lister {

// Text for one standard handle, gathered in UTF-16 and written in large
// pieces: to a console through its UTF-16 interface, so that every script
// shows whatever its code page; to a file or a pipe as UTF-8 without a
// byte-order mark. A failed write raises WindowsError, but for a pipe whose
// reader has gone: then the rest is dropped unwritten.
class StreamWriter {
public:
    explicit StreamWriter(DWORD standardHandle);
    // Text kept in `pending`, never written anywhere.
    StreamWriter() : handle(nullptr), console(false), kept(true) {}
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    void text(const wchar_t* text, uint32_t length);
    void text(const wchar_t* text);
    void endLine() { text(L"\r\n", 2); }
    // What was appended to `pending` directly is written once it is large.
    void added();
    void flush();

    General::Array<wchar_t> pending;

private:
    HANDLE handle;
    bool console;
    bool kept = false;
    General::Array<char> bytes;
};

} // namespace Lister
