#pragma once

// Module files' versions and signatures for the windows, read on a worker
// thread of their own so that no window waits: asked by path, answered at
// once when known, else queued, and the window told when answers arrive.
#include <windows.h>

#include <cstdint>

#include "FileDetails.h"
#include "core/Array.h"
#include "core/Handles.h"
#include "core/OwnerPtr.h"

namespace Windows {

class DetailsCache {
public:
    DetailsCache();
    // Answers are told by posting `message` to `window` (one post until the
    // window asks again). The worker starts with the first question.
    void tellTo(HWND notified, UINT notice)
    {
        window = notified;
        message = notice;
    }
    DetailsCache(const DetailsCache&) = delete;
    DetailsCache& operator=(const DetailsCache&) = delete;
    // Stops the worker after the file it is on.
    ~DetailsCache();

    // The file's details copied into `into`; false, `into` untouched, while
    // they are read (queued by this call).
    bool find(const wchar_t* path, uint32_t length, FileDetails& into);
    // A new snapshot: each file kept is read again when next asked if its
    // size or last-write time changed.
    void newSnapshot();
    // How many files were asked for since the last snapshot, and how many
    // of them are answered.
    void progress(uint32_t& asked, uint32_t& answered);

private:
    struct Entry {
        General::Array<wchar_t> key;  // the path folded, NUL-terminated
        General::Array<wchar_t> path; // as asked, NUL-terminated
        FileDetails details;
        ULONGLONG size = 0;
        FILETIME written = {0, 0};
        bool known = false;   // details hold an answer for size and written
        bool current = false; // asked for since the last snapshot
        bool queued = false;
    };
    static DWORD WINAPI work(LPVOID self);
    void run();

    HWND window = nullptr;
    UINT message = 0;
    CRITICAL_SECTION lock;
    KernelHandle wake; // an event: the queue has work, or the cache ends
    KernelHandle thread;
    General::OwnerArray<Entry> entries; // never removed: the worker holds pointers
    General::Array<Entry*> queue;
    General::Array<wchar_t> folded;
    bool stopping = false;
    bool told = false; // a post is outstanding
};

} // namespace Windows
