#pragma once
// An index from interned names to the first record of that name in a list that only grows, so that a
// long list (the global context's variables, two per localisation key) is searched in constant time and
// finds what a scan in list order would. Records appended since the last lookup are indexed by the next
// one, so whoever appends to the list need not know of the index; a list found shorter than what was
// indexed has been emptied, and the index starts over.

#include <cstdint>
#include <unordered_map>

#include "game/util/PtrArray.h"

template <typename Record>
class NameIndex {
public:
    // The first record of the list whose name is the interned pointer, or null.
    Record *find(const PtrArray<Record> &list, const char *name) {
        if (list.count() < indexed_)
            reset();
        for (; indexed_ < list.count(); ++indexed_)
            firsts_.emplace(list[indexed_]->name, list[indexed_]);
        auto found = firsts_.find(name);
        return found != firsts_.end() ? found->second : nullptr;
    }
    void reset() {
        firsts_.clear();
        indexed_ = 0;
    }

private:
    std::unordered_map<const char *, Record *> firsts_;
    int32_t indexed_ = 0;
};

// Records found in the order they are listed: each search starts after the record found last and goes
// round the list once, so records read back in the order they were saved are found at once.
class NameCursor {
public:
    template <typename Record>
    Record *find(const PtrArray<Record> &list, const char *interned) {
        const int32_t count = list.count();
        if (next_ >= count)
            next_ = 0;
        for (int32_t n = 0; interned && n < count; ++n) {
            const int32_t i = next_ + n < count ? next_ + n : next_ + n - count;
            if (list[i] && list[i]->name == interned) {
                next_ = i + 1;
                return list[i];
            }
        }
        return nullptr;
    }

private:
    int32_t next_ = 0;
};
