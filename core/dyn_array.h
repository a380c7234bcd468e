#pragma once
// DynArray<T>: an array indexed from 0 that grows by itself, in steps fixed at construction,
// when an index at or past its capacity is used. It knows nothing of which slots hold values:
// slots added by growth are default-constructed (for pointers, scalars and plain records that
// leaves them undefined), and callers write a slot before they read it. It never shrinks.
// A reference from operator[] is valid until the next access that grows the array.
//
// Invariants: capacity is 0 or a multiple of the step; elements is null exactly when the
// capacity is 0.
#include "core/assertion.h"

#include <cstdint>
#include <utility>

template <class T>
class DynArray {
public:
    // A step below 1 counts as 1.
    explicit DynArray(int step_ = 10) : step(step_ < 1 ? 1 : step_) {}

    DynArray(const DynArray& o) : capacity(o.capacity), step(o.step) {
        if (capacity > 0) {
            elements = new T[capacity];
            for (int i = 0; i < capacity; ++i) elements[i] = o.elements[i];
        }
    }

    DynArray(DynArray&& o) noexcept : capacity(o.capacity), step(o.step), elements(o.elements) {
        o.capacity = 0;
        o.elements = nullptr;
    }

    DynArray& operator=(const DynArray& o) {
        if (this == &o) return *this;
        T* fresh = o.capacity > 0 ? new T[o.capacity] : nullptr;
        for (int i = 0; i < o.capacity; ++i) fresh[i] = o.elements[i];
        delete[] elements;
        elements = fresh;
        capacity = o.capacity;
        step = o.step;
        return *this;
    }

    DynArray& operator=(DynArray&& o) noexcept {
        if (this == &o) return *this;
        delete[] elements;
        elements = o.elements;
        capacity = o.capacity;
        step = o.step;
        o.elements = nullptr;
        o.capacity = 0;
        return *this;
    }

    ~DynArray() { delete[] elements; }

    int Capacity() const { return capacity; }
    int Step() const { return step; }

    // The slot of index (0 or more), growing the array first when index >= capacity.
    T& operator[](int index) {
        if (index < 0) {
            // Never written before the array: reported, and the first slot stands in.
            AssertFail("Negative array index", "ARRAY", __LINE__);
            index = 0;
        }
        if (index >= capacity) Grow(index);
        return elements[index];
    }
    // The same form as the other: it grows too, as every caller of the array expects.
    T& operator[](int index) const { return const_cast<DynArray*>(this)->operator[](index); }

    bool Check() const { return (capacity == 0) == (elements == nullptr) && capacity % step == 0; }

private:
    void Grow(int index) {
        int fresh = (index / step + 1) * step;
        T* block = new T[fresh];
        for (int i = 0; i < capacity; ++i) block[i] = std::move(elements[i]);
        delete[] elements;
        elements = block;
        capacity = fresh;
    }

    int capacity = 0;
    int step;
    T* elements = nullptr;
};
