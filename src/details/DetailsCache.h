#pragma once

// Module files' versions and signatures, read on worker threads of their
// own so that no window waits: asked by path, answered at once when known,
// else queued, and the window told when answers arrive. The one cache of
// file details: the windows keep one with a worker, the lister one with a
// worker a processor for a single run.
#include <windows.h>

#include <cstdint>

#include "FileDetails.h"
#include "core/Array.h"
#include "core/Handles.h"
#include "core/OwnerPtr.h"

namespace Details {

class DetailsCache {
public:
    // Up to `workers` threads (eight at most), started with the first
    // question.
    explicit DetailsCache(uint32_t workers = 1);
    // Answers are told by posting `message` to `window` (one post until the
    // window asks again). The worker starts with the first question.
    void tellTo(HWND notified, UINT notice);
    DetailsCache(const DetailsCache&) = delete;
    DetailsCache& operator=(const DetailsCache&) = delete;
    // Stops the worker after the file it is on, waiting a short time only:
    // the process is ending, and a file on an unreachable share is not
    // waited for. Its read is cancelled where the system can; a worker that
    // has still not stopped keeps what it uses until the process ends.
    ~DetailsCache();

    // The file's details copied into `into`; false, `into` untouched, while
    // they are read (queued by this call).
    bool find(const wchar_t* path, uint32_t length, FileDetails& into);
    // A new snapshot: each file kept is read again when next asked if it is
    // no longer the same file (FileIdentity).
    void newSnapshot();
    // How many files were asked for since the last snapshot, and how many
    // of them are answered.
    void progress(uint32_t& asked, uint32_t& answered);
    // Returns when every question asked is answered; the caller's thread
    // reads files too, so that it returns even where the system refused
    // every worker.
    void wait();

private:
    struct Entry {
        Core::Array<wchar_t> key;  // the path folded, NUL-terminated
        Core::Array<wchar_t> path; // as asked, NUL-terminated
        FileDetails details;
        bool known = false;   // details hold an answer
        bool current = false; // asked for since the last snapshot
        bool queued = false;
    };
    // What the worker shares with the windows, apart from the cache so that
    // a worker left running at the end never reads freed memory.
    struct Shared {
        HWND window = nullptr;
        UINT message = 0;
        Core::CriticalSection lock;
        Core::KernelHandle wake; // a semaphore: one count an entry queued, one a worker at the end
        Core::KernelHandle idle; // an event: the queue is empty and no file is being read
        uint32_t reading = 0;       // files being read now
        Core::OwnerArray<Entry> entries; // never removed: the worker holds pointers
        Core::Array<uint32_t> slots;     // entries by their key's hash: index + 1, 0 empty
        Core::Array<Entry*> queue;
        bool stopping = false;
        bool told = false; // a post is outstanding
    };
    static DWORD WINAPI work(LPVOID shared);
    // Reads the newest queued file; false when none is queued or the cache
    // ends.
    static bool readOne(Shared& shared, DetailsReader& reader);
    Entry* lookUp(const Core::Array<wchar_t>& key);

    Shared* shared;
    uint32_t workers;
    uint32_t started = 0;
    Core::KernelHandle threads[8];
    Core::Array<wchar_t> folded;
};

} // namespace Details
