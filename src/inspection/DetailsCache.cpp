// Module files' details read on a worker thread for the windows.
#include "DetailsCache.h"

#include <cwchar>
#include <initializer_list>
#include <new>

#include "ModuleSearch.h"

namespace Windows {

namespace {

class Locked {
public:
    explicit Locked(CRITICAL_SECTION& section) : held(section) { EnterCriticalSection(&held); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    ~Locked() { LeaveCriticalSection(&held); }

private:
    CRITICAL_SECTION& held;
};

void copy(const FileDetails& from, FileDetails& to)
{
    to.version.versioned = from.version.versioned;
    for (auto text : {&FileVersion::fileVersion, &FileVersion::company, &FileVersion::description}) {
        (to.version.*text).dropBack((to.version.*text).count);
        (to.version.*text).appendRange((from.version.*text).items, (from.version.*text).count);
    }
    to.verdict.signature = from.verdict.signature;
    to.verdict.code = from.verdict.code;
    to.verdict.signer.dropBack(to.verdict.signer.count);
    to.verdict.signer.appendRange(from.verdict.signer.items, from.verdict.signer.count);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

} // namespace

DetailsCache::DetailsCache()
{
    InitializeCriticalSection(&lock);
}

DetailsCache::~DetailsCache()
{
    {
        Locked held(lock);
        stopping = true;
    }
    if (thread.valid()) {
        SetEvent(wake.handle);
        WaitForSingleObject(thread.handle, INFINITE);
    }
    DeleteCriticalSection(&lock);
}

bool DetailsCache::find(const wchar_t* path, uint32_t length, FileDetails& into)
{
    fold(path, length, folded);
    Locked held(lock);
    told = false;
    Entry* entry = nullptr;
    for (uint32_t i = 0; i < entries.count && entry == nullptr; ++i) {
        const General::Array<wchar_t>& key = entries[i]->key;
        if (key.count == folded.count && wmemcmp(key.items, folded.items, folded.count) == 0)
            entry = entries[i].get();
    }
    if (entry == nullptr) {
        General::OwnerPtr<Entry> made(new Entry);
        made->key.appendRange(folded.items, folded.count);
        made->path.appendRange(path, length);
        made->path.appendRepeated(1, L'\0');
        entry = made.get();
        entries.appendRepeated(1, std::move(made));
    }
    if (entry->known && entry->current) {
        copy(entry->details, into);
        return true;
    }
    entry->current = true;
    if (!entry->queued) {
        queue.appendRepeated(1, entry);
        entry->queued = true;
        if (!thread.valid()) {
            wake.handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            if (wake.valid())
                thread.handle = CreateThread(nullptr, 0, &work, this, 0, nullptr);
        }
        if (wake.valid())
            SetEvent(wake.handle);
    }
    // A known answer stands while it is checked against the file again.
    if (entry->known)
        copy(entry->details, into);
    return entry->known;
}

void DetailsCache::newSnapshot()
{
    Locked held(lock);
    for (uint32_t i = 0; i < entries.count; ++i)
        entries[i]->current = false;
}

void DetailsCache::progress(uint32_t& asked, uint32_t& answered)
{
    Locked held(lock);
    asked = answered = 0;
    for (uint32_t i = 0; i < entries.count; ++i) {
        if (entries[i]->current) {
            ++asked;
            answered += entries[i]->queued ? 0 : 1;
        }
    }
}

DWORD WINAPI DetailsCache::work(LPVOID self)
{
    try {
        static_cast<DetailsCache*>(self)->run();
    } catch (std::bad_alloc&) {
        // The files left are not read; the windows go on without them.
    }
    return 0;
}

void DetailsCache::run()
{
    VersionReader versions;
    SignatureChecker signatures;
    for (;;) {
        Entry* entry = nullptr;
        {
            Locked held(lock);
            if (stopping)
                return;
            // The newest question first: it is of the rows shown now, while
            // older ones may be of rows that typing has since filtered away.
            if (queue.count != 0) {
                entry = queue[queue.count - 1];
                queue.dropBack(1);
            }
        }
        if (entry == nullptr) {
            WaitForSingleObject(wake.handle, INFINITE);
            continue;
        }
        // The path is written once, before the entry is queued.
        WIN32_FILE_ATTRIBUTE_DATA file = {};
        const bool stated = GetFileAttributesExW(entry->path.items, GetFileExInfoStandard, &file) != 0;
        const ULONGLONG size = (ULONGLONG(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
        bool same;
        {
            Locked held(lock);
            same = entry->known && stated && entry->size == size && sameTime(entry->written, file.ftLastWriteTime);
        }
        FileDetails read;
        if (!same) {
            versions.read(entry->path.items, read.version);
            signatures.verify(entry->path.items, read.verdict);
        }
        bool post;
        {
            Locked held(lock);
            if (!same) {
                copy(read, entry->details);
                entry->size = size;
                entry->written = file.ftLastWriteTime;
                entry->known = true;
            }
            entry->queued = false;
            // Told once until the window asks again, and always when the
            // last queued answer is in, so that its progress ends complete.
            post = !told || queue.count == 0;
            told = true;
        }
        if (post && window != nullptr)
            PostMessageW(window, message, 0, 0);
    }
}

} // namespace Windows
