// Module files' details read on a worker thread for the windows.
#include "DetailsCache.h"

#include <cwchar>
#include <initializer_list>
#include <new>

#include "core/WideText.h"

namespace Details {

namespace {

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
    to.identity = from.identity;
}

uint32_t hashOf(const Core::Array<wchar_t>& key)
{
    uint32_t hash = 2166136261u;
    for (uint32_t i = 0; i < key.count; ++i)
        hash = (hash ^ key[i]) * 16777619u;
    return hash;
}

// How long the end waits for the file the worker is on, before and after
// cancelling its read.
const DWORD patience = 1000;

} // namespace

DetailsCache::DetailsCache(uint32_t count) : shared(new Shared), workers(count < 1 ? 1 : count > 8 ? 8 : count)
{
    shared->wake.reset(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr));
    shared->idle.reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!shared->wake.valid() || !shared->idle.valid())
        workers = 0; // the caller's thread reads alone, in wait()
}

void DetailsCache::tellTo(HWND notified, UINT notice)
{
    Core::CriticalSection::Held held(shared->lock);
    shared->window = notified;
    shared->message = notice;
}

DetailsCache::~DetailsCache()
{
    {
        Core::CriticalSection::Held held(shared->lock);
        shared->stopping = true;
        shared->window = nullptr;
    }
    if (started != 0) {
        ReleaseSemaphore(shared->wake.get(), static_cast<LONG>(started), nullptr);
        HANDLE handles[8];
        for (uint32_t t = 0; t < started; ++t)
            handles[t] = threads[t].get();
        if (WaitForMultipleObjects(started, handles, TRUE, patience) == WAIT_TIMEOUT) {
            using Cancel = BOOL(WINAPI*)(HANDLE);
            const auto cancel = reinterpret_cast<Cancel>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CancelSynchronousIo")));
            for (uint32_t t = 0; t < started && cancel != nullptr; ++t)
                cancel(handles[t]);
            if (WaitForMultipleObjects(started, handles, TRUE, patience) == WAIT_TIMEOUT)
                return; // the workers keep `shared` until the process ends
        }
    }
    delete shared;
}

DetailsCache::Entry* DetailsCache::lookUp(const Core::Array<wchar_t>& key)
{
    Core::Array<uint32_t>& slots = shared->slots;
    const Core::OwnerArray<Entry>& entries = shared->entries;
    if (2 * (entries.count + 1) > slots.count) {
        // Half full at most: twice the room, every entry placed again.
        const uint32_t room = slots.count != 0 ? 2 * slots.count : 64;
        slots.dropBack(slots.count);
        slots.appendRepeated(room, 0u);
        for (uint32_t e = 0; e < entries.count; ++e) {
            uint32_t s = hashOf(entries[e]->key) & (room - 1);
            while (slots[s] != 0)
                s = (s + 1) & (room - 1);
            slots[s] = e + 1;
        }
    }
    uint32_t s = hashOf(key) & (slots.count - 1);
    for (; slots[s] != 0; s = (s + 1) & (slots.count - 1)) {
        Entry& entry = *entries[slots[s] - 1];
        if (entry.key.count == key.count && wmemcmp(entry.key.items, key.items, key.count) == 0)
            return &entry;
    }
    Core::OwnerPtr<Entry> made(new Entry);
    made->key.appendRange(key.items, key.count);
    Entry* entry = made.get();
    shared->entries.appendRepeated(1, std::move(made));
    slots[s] = entries.count;
    return entry;
}

bool DetailsCache::find(const wchar_t* path, uint32_t length, FileDetails& into)
{
    fold(path, length, folded);
    Shared& s = *shared;
    Core::CriticalSection::Held held(s.lock);
    s.told = false;
    Entry* entry = lookUp(folded);
    if (entry->path.count == 0) {
        entry->path.appendRange(path, length);
        entry->path.appendRepeated(1, L'\0');
    }
    if (entry->known && entry->current) {
        copy(entry->details, into);
        return true;
    }
    entry->current = true;
    if (!entry->queued) {
        s.queue.appendRepeated(1, entry);
        entry->queued = true;
        ResetEvent(s.idle.get());
        // A thread the system refuses leaves its share to the others, or to
        // the caller's in wait().
        for (; started < workers; ++started) {
            threads[started].reset(CreateThread(nullptr, 0, &work, &s, 0, nullptr));
            if (!threads[started].valid()) {
                workers = started;
                break;
            }
        }
        ReleaseSemaphore(s.wake.get(), 1, nullptr);
    }
    // A known answer stands while it is checked against the file again.
    if (entry->known)
        copy(entry->details, into);
    return entry->known;
}

void DetailsCache::newSnapshot()
{
    Core::CriticalSection::Held held(shared->lock);
    for (uint32_t i = 0; i < shared->entries.count; ++i)
        shared->entries[i]->current = false;
}

void DetailsCache::progress(uint32_t& asked, uint32_t& answered)
{
    Core::CriticalSection::Held held(shared->lock);
    asked = answered = 0;
    for (uint32_t i = 0; i < shared->entries.count; ++i) {
        if (shared->entries[i]->current) {
            ++asked;
            answered += shared->entries[i]->queued ? 0 : 1;
        }
    }
}

void DetailsCache::wait()
{
    Shared& s = *shared;
    DetailsReader reader;
    while (readOne(s, reader)) {
    }
    WaitForSingleObject(s.idle.get(), INFINITE);
}

DWORD WINAPI DetailsCache::work(LPVOID parameter)
{
    Shared& s = *static_cast<Shared*>(parameter);
    try {
        DetailsReader reader;
        for (;;) {
            WaitForSingleObject(s.wake.get(), INFINITE);
            {
                Core::CriticalSection::Held held(s.lock);
                if (s.stopping)
                    return 0;
            }
            readOne(s, reader);
        }
    } catch (std::bad_alloc&) {
        // The files left are read by the other workers, or not at all; the
        // windows go on without them.
    }
    return 0;
}

bool DetailsCache::readOne(Shared& s, DetailsReader& reader)
{
    Entry* entry = nullptr;
    FileIdentity known;
    {
        Core::CriticalSection::Held held(s.lock);
        if (s.stopping || s.queue.count == 0)
            return false;
        // The newest question first: it is of the rows shown now, while
        // older ones may be of rows that typing has since filtered away.
        entry = s.queue[s.queue.count - 1];
        s.queue.dropBack(1);
        ++s.reading;
        if (entry->known)
            known = entry->details.identity;
    }
    // The path is written once, before the entry is queued.
    FileDetails read;
    bool changed = false;
    try {
        changed = reader.read(entry->path.items, read, &known);
    } catch (std::bad_alloc&) {
        Core::CriticalSection::Held held(s.lock);
        entry->queued = false;
        if (--s.reading == 0 && s.queue.count == 0)
            SetEvent(s.idle.get());
        throw;
    }
    HWND window;
    UINT message;
    bool post;
    {
        Core::CriticalSection::Held held(s.lock);
        if (changed) {
            copy(read, entry->details);
            entry->known = true;
        }
        entry->queued = false;
        if (--s.reading == 0 && s.queue.count == 0)
            SetEvent(s.idle.get());
        // Told once until the window asks again, and always when the last
        // queued answer is in, so that its progress ends complete.
        post = !s.told || s.queue.count == 0;
        s.told = true;
        window = s.window;
        message = s.message;
    }
    if (post && window != nullptr)
        PostMessageW(window, message, 0, 0);
    return true;
}

} // namespace Details
