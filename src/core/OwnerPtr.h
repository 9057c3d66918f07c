#pragma once

// Sole ownership of one heap object, and arrays of such owners.
#include "Array.h"

namespace Core {

// Sole owner of one heap object; moving hands the object over and leaves the
// source empty.
template <class T>
class OwnerPtr {
public:
    explicit OwnerPtr(T* object = nullptr) : pointer(object) {}
    OwnerPtr(OwnerPtr&& other) noexcept : pointer(other.pointer) { other.pointer = nullptr; }
    OwnerPtr(const OwnerPtr&) = delete;
    OwnerPtr& operator=(const OwnerPtr&) = delete;
    ~OwnerPtr() { reset(); }

    void reset()
    {
        delete pointer;
        pointer = nullptr;
    }

    T* get() const { return pointer; }
    T* operator->() const { return pointer; }
    T& operator*() const { return *pointer; }

    T* pointer;
};

template <class T>
using OwnerArray = Array<OwnerPtr<T>>;

} // namespace Core
