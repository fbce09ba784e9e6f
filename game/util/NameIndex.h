#pragma once
// An index from interned names to the first record of that name in a list whose records stay in it, so
// that a long list (the global context's variables, two per localisation key; a scene's elements) is
// searched in constant time and finds what a scan in list order would. Records appended since the last
// lookup are indexed by the next one, so whoever appends to the list need not know of the index; a list
// found shorter than what was indexed has been emptied, and the index starts over. The list may be
// reordered (a scene sorts its elements for drawing): a name that one record holds is found whatever
// the order, and a name that several hold by a scan in the list's order.

#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "game/util/PtrArray.h"

template <typename Record>
class NameIndex {
public:
    // The first record of the list whose name is the interned pointer, or null.
    Record *find(const PtrArray<Record> &list, const char *name) {
        if (list.count() < indexed_)
            reset();
        for (; indexed_ < list.count(); ++indexed_) {
            auto [entry, added] = firsts_.emplace(list[indexed_]->name, list[indexed_]);
            if (!added)
                entry->second = nullptr;
        }
        auto found = firsts_.find(name);
        if (found == firsts_.end())
            return nullptr;
        return found->second ? found->second : firstNamed(list, name);
    }
    void reset() {
        firsts_.clear();
        indexed_ = 0;
    }

private:
    static Record *firstNamed(const PtrArray<Record> &list, const char *name) {
        for (int32_t i = 0; i < list.count(); ++i) {
            if (list[i]->name == name)
                return list[i];
        }
        return nullptr;
    }

    // Each name's record, or null for a name that several records hold.
    std::unordered_map<const char *, Record *> firsts_;
    int32_t indexed_ = 0;
};

// Bytes that may be read this far past their end: a text read from a file lies in an image with that
// much room after it, so that it is scanned a word at a time.
inline constexpr uint32_t kTextBytesSlack = 16;

// The length of the text that `length` bytes give when they are read as a text: up to the first NUL
// among them, or all of them. The bytes are readable kTextBytesSlack past `length`.
// The bytes of a word that are NUL, flagged in their top bits; the lowest flag is exact, the first NUL,
// since a borrow only runs upward from a zero byte.
inline uint64_t nulBytesOf(const char *bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
}

inline uint32_t textLengthOfBytes(const char *bytes, uint32_t length) {
    uint32_t first = kTextBytesSlack;
    if (length <= kTextBytesSlack) {
        // Most names: two words, whatever the length.
        const uint64_t low = nulBytesOf(bytes), high = nulBytesOf(bytes + 8);
        first = low ? uint32_t(__builtin_ctzll(low)) / 8 : high ? 8 + uint32_t(__builtin_ctzll(high)) / 8 : first;
    } else {
        for (first = 0; first < length; first += 8) {
            if (const uint64_t nuls = nulBytesOf(bytes + first)) {
                first += uint32_t(__builtin_ctzll(nuls)) / 8;
                break;
            }
        }
    }
    return first < length ? first : length;
}

// The text is the one that `length` bytes give when they are read as a text (textLengthOfBytes: the
// bytes are readable kTextBytesSlack past `length`). The interned text is read only as far as it
// matches, so a shorter one is never read past its end.
inline bool isTextOfBytes(const char *text, const char *bytes, uint32_t length) {
    const uint32_t n = textLengthOfBytes(bytes, length);
    return std::strncmp(text, bytes, n) == 0 && text[n] == '\0';
}

// Records found in the order they are listed, by a name given as bytes that were never interned (a
// name read from a file): the search goes on from the record found last toward the end of the list.
// So records read back in the order they were saved (a subset of the list, in its order) are found
// without a table look-up; when the search reaches the end, the caller looks up as usual.
class NameCursor {
public:
    // The record whose name is the text (its first `length` bytes, or up to a NUL among them); null
    // when no record after the one found last has it.
    template <typename Record>
    Record *find(const PtrArray<Record> &list, const char *bytes, uint32_t length) {
        for (int32_t i = next_; bytes && i < list.count(); ++i) {
            Record *record = list[i];
            if (record && record->name && isTextOfBytes(record->name, bytes, length)) {
                next_ = i + 1;
                return record;
            }
        }
        return nullptr;
    }

    // The record the next search compares first, or null.
    template <typename Record>
    Record *upcoming(const PtrArray<Record> &list) const {
        return next_ < list.count() ? list[next_] : nullptr;
    }

private:
    int32_t next_ = 0;
};
