#pragma once
// The interned-string table: every name the game and its scripts handle is interned once, so that
// equal names are the same pointer and later name tests are pointer comparisons. Nothing is ever
// removed; a text interned again is what later lookups find. New copies of texts go into the owner's
// string arena. The table is locked, so the game-load thread and the main thread may intern at the
// same time.
//
// A game interns a hundred thousand names and more, so lookups go through a flat index from each text
// to its newest interned copy rather than through chains of a fixed number of buckets.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "game/util/StringArena.h"
#include "game/util/TextIndex.h"

class InternTable {
public:
    explicit InternTable(StringArena &arena);
    InternTable(const InternTable &) = delete;
    InternTable &operator=(const InternTable &) = delete;

    // Inserts a text that stays valid for the table's life (a literal or an arena copy) without
    // looking for an equal one: lookups find the text interned last. Null for null.
    const char *intern(const char *text);
    // The interned text equal to the given one; when there is none, the text is copied into the
    // arena and the copy interned. Null for null.
    const char *internOrFind(const char *text);
    // The same for the first `length` bytes of a text that need not end there (a name read from a
    // file), up to a NUL among them; the copy made when there is none ends with a NUL.
    const char *internOrFind(const char *text, size_t length);
    // The interned text equal to the given one, or null; interns nothing.
    const char *findInterned(const char *text) const;

    int32_t count() const;

private:
    const char *insertLocked(const char *text);
    // internOrFind of a text without a NUL among its bytes.
    const char *internOrFindText(std::string_view text);

    StringArena &arena_;
    mutable std::mutex lock_;
    TextIndex<const char> newest_; // each text's copy interned last
    int32_t count_ = 0;            // texts interned, repeats included
};
