#include "game/util/InternTable.h"

#include <cstring>

InternTable::InternTable(StringArena &arena) : arena_(arena) {}

const char *InternTable::insertLocked(const char *text, uint32_t hash) {
    InternNode *node = nodes_.allocate();
    node->text = text;
    node->hash = hash;
    InternNode *&head = buckets_[hash % kNameTableBuckets];
    node->next = head;
    head = node;
    ++count_;
    return text;
}

const InternNode *InternTable::findLocked(const char *text, uint32_t hash) const {
    for (const InternNode *node = buckets_[hash % kNameTableBuckets]; node; node = node->next) {
        if (node->hash == hash && node->text && std::strcmp(node->text, text) == 0)
            return node;
    }
    return nullptr;
}

const char *InternTable::intern(const char *text) {
    if (!text)
        return nullptr;
    const uint32_t hash = hashString(text);
    std::lock_guard<std::mutex> hold(lock_);
    return insertLocked(text, hash);
}

const char *InternTable::internOrFind(const char *text) {
    if (!text)
        return nullptr;
    const uint32_t hash = hashString(text);
    std::lock_guard<std::mutex> hold(lock_);
    if (const InternNode *node = findLocked(text, hash))
        return node->text;
    return insertLocked(arena_.copy(text), hash);
}

const char *InternTable::findInterned(const char *text) const {
    if (!text)
        return nullptr;
    const uint32_t hash = hashString(text);
    std::lock_guard<std::mutex> hold(lock_);
    const InternNode *node = findLocked(text, hash);
    return node ? node->text : nullptr;
}

int32_t InternTable::count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}
