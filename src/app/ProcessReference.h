#pragma once

// The process's reference for the shell: a property sheet the shell opens on
// a thread of this process holds it, so that the process outlives the main
// window until the last sheet has closed and its edits are saved.
#include <windows.h>
#include <unknwn.h>

namespace App {

class ProcessReference : public IUnknown {
public:
    // Given to the shell (SHSetInstanceExplorer) where it has the call.
    ProcessReference();
    ProcessReference(const ProcessReference&) = delete;
    ProcessReference& operator=(const ProcessReference&) = delete;
    // Taken back from the shell, then waits, taking this thread's messages,
    // until every holder has let go.
    virtual ~ProcessReference();

    STDMETHODIMP QueryInterface(REFIID id, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

private:
    volatile LONG count = 1; // this object's own, dropped at the end
    DWORD thread;
    bool given = false;
};

} // namespace App
