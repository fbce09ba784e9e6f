#include "game/util/InternTable.h"

InternTable::InternTable(StringArena &arena) : arena_(arena) {}

const char *InternTable::insertLocked(const char *text, uint32_t hash) {
    InternNode *node = nodes_.allocate();
    node->text = text;
    node->hash = hash;
    InternNode *&head = buckets_[hash % kNameTableBuckets];
    node->next = head;
    head = node;
    newest_.store(text, text);
    ++count_;
    return text;
}

const char *InternTable::findLocked(const char *text) const {
    return newest_.find(text);
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
    std::lock_guard<std::mutex> hold(lock_);
    if (const char *found = findLocked(text))
        return found;
    return insertLocked(arena_.copy(text), hashString(text));
}

const char *InternTable::findInterned(const char *text) const {
    if (!text)
        return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    return findLocked(text);
}

int32_t InternTable::count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}
