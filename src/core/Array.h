#pragma once

// The program's one growable array.
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace Core {

// The program's one growable array: an exactly sized heap block that grows by
// half its capacity (or to what is needed) and never shrinks, so a cleared
// array refills without allocating.
template <class T>
class Array {
public:
    uint32_t capacity;
    uint32_t count;
    T* items;

    Array() : capacity(0), count(0), items(nullptr) {}
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    ~Array()
    {
        dropBack(count);
        ::operator delete(items);
    }

    T& operator[](uint32_t index) { return items[index]; }
    const T& operator[](uint32_t index) const { return items[index]; }

    // Moves the elements into a block of exactly newCapacity slots. The new
    // block is allocated before anything changes, so a failure leaves the
    // array as it was.
    void reallocate(uint32_t newCapacity)
    {
        if (newCapacity > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        const uint32_t keep = count < newCapacity ? count : newCapacity;
        T* block = static_cast<T*>(::operator new(std::size_t(newCapacity) * sizeof(T)));
        for (uint32_t i = 0; i < keep; ++i)
            new (block + i) T(std::move(items[i]));
        for (uint32_t i = 0; i < count; ++i)
            items[i].~T();
        ::operator delete(items);
        items = block;
        count = keep;
        capacity = newCapacity;
    }

    void dropBack(uint32_t n)
    {
        if (n > count)
            n = count;
        while (n-- > 0) {
            --count;
            items[count].~T();
        }
    }

    // For a holder element the value is moved from, so pass it as an rvalue;
    // plain values are copied n times.
    template <class V>
    void appendRepeated(uint32_t n, V&& value)
    {
        makeRoom(n);
        for (uint32_t i = 0; i < n; ++i) {
            new (items + count) T(std::forward<V>(value));
            ++count;
        }
    }

    void appendAll(const Array& other) { appendRange(other.items, other.count); }
    // The source must not lie in this array, whose block may move.
    void appendRange(const T* source, uint32_t n)
    {
        makeRoom(n);
        for (uint32_t i = 0; i < n; ++i) {
            new (items + count) T(source[i]);
            ++count;
        }
    }

protected:
    void makeRoom(uint32_t extra)
    {
        if (extra > UINT32_MAX - count)
            throw std::bad_alloc();
        const uint32_t required = count + extra;
        if (required <= capacity)
            return;
        uint32_t grown = capacity + capacity / 2;
        if (grown < required || grown < capacity)
            grown = required;
        reallocate(grown);
    }
};

} // namespace Core
