#include "game/util/PtrArray.h"

#include <climits>
#include <cstring>
#include <new>

#include "engine/system/KSystem.h"

PtrArrayStorage::~PtrArrayStorage() {
    releaseStorage();
}

PtrArrayStorage::PtrArrayStorage(PtrArrayStorage &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), growStep_(other.growStep_) {}

PtrArrayStorage &PtrArrayStorage::operator=(PtrArrayStorage &&other) noexcept {
    if (this != &other) {
        releaseStorage();
        data_ = std::exchange(other.data_, nullptr);
        count_ = std::exchange(other.count_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        growStep_ = other.growStep_;
    }
    return *this;
}

void PtrArrayStorage::setGrowStep(int32_t step) {
    if (step > 0)
        growStep_ = step;
}

// New storage of whole grow steps beyond the index (at least one step more than now), with the old
// entries copied around a gap at the index.
bool PtrArrayStorage::growToHold(int32_t index) {
    int64_t capacity = int64_t(capacity_) + growStep_;
    if (capacity <= index)
        capacity += (int64_t(index) - capacity) / growStep_ * growStep_ + growStep_;
    void **storage = capacity <= INT_MAX ? new (std::nothrow) void *[size_t(capacity)]() : nullptr;
    if (!storage) {
        logMessage("PtrArray: cannot grow to %lld entries", (long long)capacity);
        return false;
    }
    if (index < count_) {
        std::memcpy(storage, data_, size_t(index) * sizeof(void *));
        std::memcpy(storage + index + 1, data_ + index, size_t(count_ - index) * sizeof(void *));
    } else if (count_ > 0) {
        std::memcpy(storage, data_, size_t(count_) * sizeof(void *));
    }
    delete[] data_;
    data_ = storage;
    capacity_ = int32_t(capacity);
    return true;
}

bool PtrArrayStorage::insertAt(int32_t index) {
    if (index < 0)
        return false;
    if (index < capacity_ && count_ < capacity_) {
        if (index < count_)
            std::memmove(data_ + index + 1, data_ + index, size_t(count_ - index) * sizeof(void *));
    } else if (!growToHold(index)) {
        return false;
    }
    // Inserting past the end: the slots between the old end and the index read as null, never as
    // entries removed earlier.
    for (int32_t i = count_; i < index; ++i)
        data_[i] = nullptr;
    data_[index] = nullptr;
    count_ = count_ + 1 > index ? count_ + 1 : index + 1;
    return true;
}

bool PtrArrayStorage::reserve(int32_t total) {
    return total <= capacity_ || growToHold(total - 1);
}

void *PtrArrayStorage::removeSlot(int32_t index) {
    if (index < 0 || index >= count_)
        return nullptr;
    void *removed = data_[index];
    --count_;
    std::memmove(data_ + index, data_ + index + 1, size_t(count_ - index) * sizeof(void *));
    data_[count_] = nullptr;
    return removed;
}

int32_t PtrArrayStorage::findSlot(const void *value) const {
    for (int32_t i = 0; i < count_; ++i) {
        if (data_[i] == value)
            return i;
    }
    return -1;
}

void PtrArrayStorage::clear() {
    if (data_)
        std::memset(data_, 0, size_t(capacity_) * sizeof(void *));
    count_ = 0;
}

void PtrArrayStorage::truncate(int32_t newCount) {
    if (newCount < 0)
        newCount = 0;
    if (newCount >= count_)
        return;
    std::memset(data_ + newCount, 0, size_t(count_ - newCount) * sizeof(void *));
    count_ = newCount;
}

void PtrArrayStorage::releaseStorage() {
    delete[] data_;
    data_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}
