// The console lister's output: UTF-16 to a console, UTF-8 elsewhere.
#include "StreamWriter.h"
#include "core/Text.h"

#include "core/Errors.h"

using namespace Core;

namespace Lister {

namespace {
const uint32_t pieceSize = 32768;
// Before Windows 8 a console write goes through a 64 KiB shared heap, and a
// larger one fails: it is written in smaller parts.
const DWORD consolePart = 8192;
}

StreamWriter::StreamWriter(DWORD standardHandle) : handle(GetStdHandle(standardHandle))
{
    DWORD mode = 0;
    console = GetConsoleMode(handle, &mode) != 0;
}

StreamWriter::StreamWriter(HANDLE file) : handle(file), console(false)
{
    pending.appendRepeated(1, wchar_t(0xFEFF));
}

void StreamWriter::text(const wchar_t* source, uint32_t length)
{
    pending.appendRange(source, length);
    if (pending.count >= pieceSize && !kept)
        flush();
}

void StreamWriter::added()
{
    if (pending.count >= pieceSize && !kept)
        flush();
}

void StreamWriter::text(const wchar_t* source) { text(source, Core::textLength(source)); }

void StreamWriter::flush()
{
    if (pending.count == 0)
        return;
    // No standard handle: nothing is written, as nothing could read it.
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        pending.dropBack(pending.count);
        return;
    }
    const wchar_t* units = pending.items;
    DWORD left = pending.count;
    if (!console) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(left), nullptr, 0, nullptr, nullptr);
        if (size == 0)
            throw WindowsError(GetLastError());
        if (bytes.capacity < static_cast<uint32_t>(size))
            bytes.reallocate(static_cast<uint32_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(left), bytes.items, size, nullptr, nullptr);
        left = static_cast<DWORD>(size);
    }
    const char* from = console ? reinterpret_cast<const char*>(units) : bytes.items;
    while (left != 0) {
        DWORD written = 0;
        const BOOL wrote = console ? WriteConsoleW(handle, from, left < consolePart ? left : consolePart, &written,
                                                   nullptr)
                                   : WriteFile(handle, from, left, &written, nullptr);
        if (!wrote || written == 0) {
            const DWORD code = wrote ? ERROR_WRITE_FAULT : GetLastError();
            if (code != ERROR_BROKEN_PIPE && code != ERROR_NO_DATA)
                throw WindowsError(code);
            // The reader stopped reading (`| more` quit): nothing more is
            // wanted, which is no failure of the run.
            handle = nullptr;
            break;
        }
        from += console ? written * sizeof(wchar_t) : written;
        left -= written;
    }
    pending.dropBack(pending.count);
}

OutputFile::OutputFile(const wchar_t* name)
{
    const uint32_t length = Core::textLength(name);
    target.appendRange(name, length + 1);
    // Beside it, so that the move is a rename on the same volume.
    wchar_t tail[40];
    wsprintfW(tail, L".%lu.orrimel-tmp", GetCurrentProcessId());
    temporary.appendRange(name, length);
    temporary.appendRange(tail, Core::textLength(tail) + 1);
    file.reset(CreateFileW(temporary.items, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw WindowsError(GetLastError());
}

OutputFile::~OutputFile()
{
    file.reset();
    if (!committed)
        DeleteFileW(temporary.items);
}

void OutputFile::commit()
{
    if (!FlushFileBuffers(file.get()))
        throw WindowsError(GetLastError());
    file.reset();
    if (!MoveFileExW(temporary.items, target.items, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw WindowsError(GetLastError());
    committed = true;
}

void StreamWriter::failure(const wchar_t* about, const WindowsError& error)
{
    Core::Array<wchar_t> words;
    error.wideText(words);
    text(L"orrimel: ");
    if (about != nullptr) {
        text(about);
        text(L": ");
    }
    text(words.items, words.count - 1);
    endLine();
}

} // namespace Lister
