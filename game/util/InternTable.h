#pragma once
// The interned-string table: every name the game and its scripts handle is interned once, so that
// equal names are the same pointer and later name tests are pointer comparisons. 6151 buckets over
// hashString, each a chain of nodes {next, text} from a pool of 100-node blocks; nothing is ever
// removed and there is no resize. New copies of texts go into the owner's string arena. The table
// is locked, so the game-load thread and the main thread may intern at the same time.
//
// A game interns a hundred thousand names and more, far beyond what 6151 chains keep short, so lookups go
// through an index from each text to its newest node: what a chain walk from the head would find first.

#include <array>
#include <cstdint>
#include <mutex>

#include "game/util/HashString.h"
#include "game/util/HoObjectPool.h"
#include "game/util/StringArena.h"
#include "game/util/TextIndex.h"

struct InternNode {
    InternNode *next = nullptr;
    const char *text = nullptr;
    uint32_t hash = 0; // hashString of the text: a chain walk compares texts only when it matches
};

class InternTable {
public:
    explicit InternTable(StringArena &arena);
    InternTable(const InternTable &) = delete;
    InternTable &operator=(const InternTable &) = delete;

    // Inserts a text that stays valid for the table's life (a literal or an arena copy) without
    // looking for an equal one: lookups find the newest node of a text first. Null for null.
    const char *intern(const char *text);
    // The interned text equal to the given one; when there is none, the text is copied into the
    // arena and the copy interned. Null for null.
    const char *internOrFind(const char *text);
    // The interned text equal to the given one, or null; interns nothing.
    const char *findInterned(const char *text) const;

    int32_t count() const;

private:
    const char *insertLocked(const char *text, uint32_t hash);
    const char *findLocked(const char *text) const;

    StringArena &arena_;
    mutable std::mutex lock_;
    std::array<InternNode *, kNameTableBuckets> buckets_{};
    TextIndex<const char> newest_; // each text's newest node's text
    int32_t count_ = 0;
    HoObjectPool<InternNode> nodes_;
};
