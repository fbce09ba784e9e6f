#include "game/resources/HoConfiguration.h"

#include <cstring>
#include <string>

#include "game/HoContext.h"
#include "game/util/NumberParse.h"
#include "game/util/ReadWholeFile.h"
#include "game/util/TextReader.h"

void HoConfiguration::load(HoResourceManager *) {
    entries.clear();
    WholeFile file;
    if (!context || !readWholeFile(filePath, &file))
        return;
    TextReader reader;
    reader.attach(file.data.get());
    file.data.reset();
    while (reader.readLine()) {
        const char *line = reader.line();
        if (line[0] == '\0' || line[0] == ';')
            continue;
        addEntry(line);
    }
}

void HoConfiguration::addEntry(const char *line) {
    ConfigEntry *entry = entryPool.allocate();
    const char *equals = std::strchr(line, '=');
    const char *value = equals ? equals + 1 : line;
    std::string key = equals ? std::string(line, size_t(equals - line)) : std::string();
    entry->key = context->interned.internOrFind(key.c_str());
    if (std::strlen(value) < ConfigEntry::kInlineTextBytes) {
        std::strcpy(entry->inlineText, value);
        entry->longText = nullptr;
    } else {
        entry->inlineText[0] = '\0';
        entry->longText = context->strings.copy(value);
    }
    entry->number = parseFloat(entry->inlineText);
    entry->integer = parseInt(entry->inlineText);
    entries.append(entry);
}

void HoConfiguration::unload(HoResourceManager *) {
    entries.clear();
    entryPool.teardown();
}

ConfigEntry *HoConfiguration::find(const char *key) const {
    if (!key || !context)
        return nullptr;
    const char *interned = context->interned.findInterned(key);
    if (!interned)
        return nullptr;
    for (int32_t i = 0; i < entries.count(); ++i) {
        if (entries[i]->key == interned)
            return entries[i];
    }
    return nullptr;
}

const char *HoConfiguration::getString(const char *key, const char *defaultValue) const {
    const ConfigEntry *entry = find(key);
    return entry ? entry->text() : defaultValue;
}
