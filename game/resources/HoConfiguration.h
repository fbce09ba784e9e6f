#pragma once
// A configuration file of the game ("data/game.cfg", "data/textures.cfg", "data/scenes.cfg", ...): its
// key and value lines in file order. Keys are written with dots ("hud.inventory.font") but are flat
// strings matched whole. The line rules are those the shipped files were written for, quirks included:
// ';' starts a comment only in the first column, the key ends at the first '=', nothing is trimmed, and
// a value of 32 bytes or more is kept as text only (its number reads 0).

#include <cstddef>
#include <cstdint>

#include "game/resources/HoResource.h"
#include "game/util/HoObjectPool.h"
#include "game/util/PtrArray.h"

class HoContext;

// One line of a configuration file.
struct ConfigEntry {
    static constexpr size_t kInlineTextBytes = 32;

    const char *key = nullptr;                 // interned; the empty string for a line without '='
    char inlineText[kInlineTextBytes] = {};    // the value when it is shorter than 32 bytes, else empty
    const char *longText = nullptr;            // a copy in the context's string arena of a longer value
    float number = 0.0f;                       // parseFloat of the inline text
    int32_t integer = 0;                       // parseInt of the inline text

    // The value text, whichever field holds it.
    const char *text() const { return longText ? longText : inlineText; }
};

class HoConfiguration : public HoResource {
public:
    void releaseObject() override {}
    int32_t getReloadMode(HoResourceManager *) override { return kReloadWhenChanged; }
    // Parses the file into new entries. Entries of an earlier parse stay valid until the unload.
    void load(HoResourceManager *manager) override;
    // Empties the entry list and frees every entry.
    void unload(HoResourceManager *manager) override;

    // The first entry of the key, or null; null also for a key never interned in the context (the
    // lookup interns nothing).
    ConfigEntry *find(const char *key) const;
    // The entry's text, or the default when there is no entry.
    const char *getString(const char *key, const char *defaultValue) const;

    HoContext *context = nullptr;
    PtrArray<ConfigEntry> entries;
    HoObjectPool<ConfigEntry> entryPool;

private:
    void addEntry(const char *line);
};
