// Growable arrays of element pointers. TArray borrows its elements,
// TInstanceArray owns them. Count stays below Capacity: growth happens one
// element early, so a fresh array grows to 64 slots when element 32 arrives.
#pragma once

#include <cstdint>
#include <new>

template <class T>
class TArray {
public:
    T** Items;          // buffer of Capacity slots; slots past Count undefined
    uint32_t Capacity;  // 32 after construction, doubled on growth
    uint32_t Count;     // elements in use, in slots 0 .. Count-1

    TArray() : Items(new T*[32]), Capacity(32), Count(0) {}
    ~TArray() { delete[] Items; }
    TArray(const TArray&) = delete;
    TArray& operator=(const TArray&) = delete;

    // Appends and returns the new element's index. The new buffer is
    // allocated before anything changes, so a failed growth leaves the
    // array as it was.
    uint32_t Add(T* item) {
        if (Count + 1 >= Capacity) Grow();
        Items[Count] = item;
        return Count++;
    }

    T* GetAt(uint32_t index) const { return index < Count ? Items[index] : nullptr; }

    // Takes the element out, keeping the order of the rest; not deleted.
    T* RemoveAt(uint32_t index) {
        if (index >= Count) return nullptr;
        T* item = Items[index];
        for (uint32_t i = index + 1; i < Count; ++i) Items[i - 1] = Items[i];
        --Count;
        return item;
    }

    // Moves the last element into the hole; order is not kept.
    void RemoveUnordered(uint32_t index) {
        if (index >= Count) return;
        Items[index] = Items[Count - 1];
        --Count;
    }

protected:
    void Grow() {
        // A capacity past 2^31 would wrap to 0 when doubled.
        if (Capacity > UINT32_MAX / 2) throw std::bad_alloc();
        uint32_t newCapacity = Capacity * 2;
        T** newItems = new T*[newCapacity];
        for (uint32_t i = 0; i < Count; ++i) newItems[i] = Items[i];
        delete[] Items;
        Items = newItems;
        Capacity = newCapacity;
    }
};

template <class T>
class TInstanceArray : public TArray<T> {
public:
    TInstanceArray() = default;
    ~TInstanceArray() { DeleteAll(); }

    uint32_t Add(T* item) {
        if (this->Count + 1 >= this->Capacity) {
            try {
                this->Grow();
            } catch (const std::bad_alloc&) {
                // Grow changes nothing before its allocation succeeds, so the
                // array is intact; report the failure afresh.
                throw std::bad_alloc();
            }
        }
        this->Items[this->Count] = item;
        return this->Count++;
    }

    // Deletes every element but keeps the buffer for refilling.
    void Clear() {
        DeleteAll();
        this->Count = 0;
    }

private:
    void DeleteAll() {
        for (uint32_t i = 0; i < this->Count; ++i) delete this->Items[i];
    }
};
