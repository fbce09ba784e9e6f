#include "game/util/InternTable.h"

#include <cstring>
#include <string_view>

InternTable::InternTable(StringArena &arena) : arena_(arena) {}

const char *InternTable::insertLocked(const char *text) {
    newest_.store(text, text);
    ++count_;
    return text;
}

const char *InternTable::intern(const char *text) {
    if (!text)
        return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    return insertLocked(text);
}

const char *InternTable::internOrFind(const char *text) {
    return text ? internOrFind(text, std::strlen(text)) : nullptr;
}

const char *InternTable::internOrFind(const char *text, size_t length) {
    if (!text)
        return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    if (const char *found = newest_.find(std::string_view(text, length)))
        return found;
    return insertLocked(arena_.copy(text, length));
}

const char *InternTable::findInterned(const char *text) const {
    if (!text)
        return nullptr;
    std::lock_guard<std::mutex> hold(lock_);
    return newest_.find(text);
}

int32_t InternTable::count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}
