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
    return text ? internOrFindText(std::string_view(text)) : nullptr;
}

// The text ends at its first NUL, as its copy does.
const char *InternTable::internOrFind(const char *text, size_t length) {
    if (!text)
        return nullptr;
    if (const void *nul = std::memchr(text, '\0', length))
        length = size_t(static_cast<const char *>(nul) - text);
    return internOrFindText(std::string_view(text, length));
}

const char *InternTable::internOrFindText(std::string_view text) {
    std::lock_guard<std::mutex> hold(lock_);
    return newest_.findOrStore(text, [this, text] {
        const char *copy = arena_.copy(text.data(), text.size());
        if (copy)
            ++count_;
        return std::pair<std::string_view, const char *>(std::string_view(copy, copy ? text.size() : 0), copy);
    });
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
