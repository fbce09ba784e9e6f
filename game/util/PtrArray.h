#pragma once
// A growable array of pointers that grows by a fixed step (10 unless the owner sets another), the
// container in which the game keeps nearly all of its record lists. Inserting past the end extends
// the array; the slots in between read as null.

#include <cstdint>
#include <type_traits>
#include <utility>

// The untyped storage shared by every PtrArray<T>.
class PtrArrayStorage {
public:
    static constexpr int32_t kDefaultGrowStep = 10;

    PtrArrayStorage() = default;
    ~PtrArrayStorage();
    PtrArrayStorage(const PtrArrayStorage &) = delete;
    PtrArrayStorage &operator=(const PtrArrayStorage &) = delete;
    PtrArrayStorage(PtrArrayStorage &&other) noexcept;
    PtrArrayStorage &operator=(PtrArrayStorage &&other) noexcept;

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    int32_t growStep() const { return growStep_; }
    bool empty() const { return count_ == 0; }
    // Only a positive step is taken.
    void setGrowStep(int32_t step);

    // Makes room for one entry at the index and leaves that slot null for the caller to write.
    // False for a negative index or when the array cannot grow that far (logged).
    bool insertAt(int32_t index);
    // Grows the storage at once to the capacity that appending up to `total` entries would reach step
    // by step, so that a long run of appends copies the entries once instead of once per step. False
    // when the array cannot grow that far (logged).
    bool reserve(int32_t total);
    // Count 0 with every slot null; the storage stays.
    void clear();
    // Drops the entries from the count on (a count at or above the current one changes nothing); the
    // storage stays.
    void truncate(int32_t newCount);
    // Frees the storage too.
    void releaseStorage();

protected:
    void *getSlot(int32_t index) const { return data_[index]; }
    void setSlot(int32_t index, void *value) { data_[index] = value; }
    void *removeSlot(int32_t index);
    int32_t findSlot(const void *value) const;

private:
    bool growToHold(int32_t index);

    void **data_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    int32_t growStep_ = kDefaultGrowStep;
};

template <typename T>
class PtrArray : public PtrArrayStorage {
public:
    PtrArray() = default;
    explicit PtrArray(int32_t step) { setGrowStep(step); }

    // The entry at 0 <= index < count.
    T *get(int32_t index) const { return static_cast<T *>(getSlot(index)); }
    T *operator[](int32_t index) const { return get(index); }
    // Writes the slot at 0 <= index < count (the slot that insertAt made room for).
    void set(int32_t index, T *element) { setSlot(index, const_cast<void *>(static_cast<const void *>(element))); }

    // Index of the new entry, or -1 when the array cannot grow.
    int32_t append(T *element) {
        int32_t index = count();
        if (!insertAt(index))
            return -1;
        set(index, element);
        return index;
    }
    // The entry, with the later entries moved down by one; null for an index out of range.
    T *removeAt(int32_t index) { return static_cast<T *>(removeSlot(index)); }
    // The entry at 0 <= index < count, with the last entry moved into its place (the order is not kept).
    T *removeSwappingLast(int32_t index) {
        T *removed = get(index);
        int32_t last = count() - 1;
        set(index, get(last));
        removeAt(last);
        return removed;
    }
    // First index of the pointer, or -1.
    int32_t indexOf(const T *element) const { return findSlot(element); }
    // Appends unless the pointer is already held; its index either way.
    int32_t addUnique(T *element) {
        int32_t index = indexOf(element);
        return index >= 0 ? index : append(element);
    }
    // Deletes every non-null entry with the record's own destructor, then empties the array.
    void deleteAll()
        requires(!std::is_void_v<T>)
    {
        for (int32_t i = 0; i < count(); ++i)
            delete get(i);
        clear();
    }
};
