#pragma once
// An index from texts to the newest value stored under each: one flat table of slots {hash, text, value},
// probed in turn from the hash's place and kept at most half full, so that a look-up of one of a hundred
// thousand names reads one run of slots and the text itself only when the hashes agree. The texts are not
// copied: each must live as long as the index.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

template <typename Value>
class TextIndex {
public:
    // The value stored last under the text, or null.
    Value *find(std::string_view text) const {
        if (slots_.empty())
            return nullptr;
        const Slot &slot = slots_[placeOf(text, hashOf(text))];
        return slot.value;
    }
    // Stores the value under the text; a value stored earlier under it is replaced.
    void store(std::string_view text, Value *value) {
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        const uint64_t hash = hashOf(text);
        Slot &slot = slots_[placeOf(text, hash)];
        if (!slot.value)
            ++used_;
        slot = {hash, text, value};
    }
    // The value stored last under the text; when there is none, `make` gives the text to keep under it (equal
    // to the one asked and living as long as the index) with its value, which are stored unless the value
    // is null, and that value is the result. One hash and one probe serve the look-up and the store.
    template <typename Make>
    Value *findOrStore(std::string_view text, Make make) {
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        const uint64_t hash = hashOf(text);
        Slot &slot = slots_[placeOf(text, hash)];
        if (slot.value)
            return slot.value;
        const auto [kept, value] = make();
        if (value) {
            slot = {hash, kept, value};
            ++used_;
        }
        return value;
    }
    void clear() {
        slots_.clear();
        used_ = 0;
    }

private:
    struct Slot {
        uint64_t hash = 0;
        std::string_view text;
        Value *value = nullptr; // null: the slot is free
    };

    static uint64_t hashOf(std::string_view text) { return std::hash<std::string_view>()(text); }

    // The slot that holds the text, else the free slot where it would go.
    size_t placeOf(std::string_view text, uint64_t hash) const {
        const size_t mask = slots_.size() - 1;
        size_t place = size_t(hash) & mask;
        while (slots_[place].value && !(slots_[place].hash == hash && slots_[place].text == text))
            place = (place + 1) & mask;
        return place;
    }

    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        for (const Slot &slot : old) {
            if (slot.value)
                slots_[placeOf(slot.text, slot.hash)] = slot;
        }
    }

    std::vector<Slot> slots_;
    size_t used_ = 0;
};
