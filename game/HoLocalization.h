#pragma once
// The localisation table: (key, value) pairs of interned texts read from a SpreadsheetML workbook, whose
// rows hold a key in their first cell and its text in the next. Keys and texts are interned; where a
// key is repeated the first row wins. An index from each key's text to its first value keeps lookups as
// quick as a hash map while the pairs stay in file order; a key that is not in the table was never
// interned by it, so looking the text up directly answers as looking up its interned pointer would.

#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "game/util/HoObjectPool.h"
#include "game/util/PtrArray.h"

class InternTable;

struct LocalizationPair {
    const char *key = nullptr;   // interned
    const char *value = nullptr; // interned
};

class HoLocalization {
public:
    static constexpr int32_t kPairGrowStep = 100;
    static constexpr const char *kFileName = "data/texts/Localization.xml";
    static constexpr const char *kFallbackFileName = "Localization.xml";

    HoLocalization() = default;
    HoLocalization(const HoLocalization &) = delete;
    HoLocalization &operator=(const HoLocalization &) = delete;

    // Empties the table, then reads the workbook (the fallback name when the first is missing); keys and
    // values are interned in the table given. A missing file leaves the table empty; a file that is not
    // XML is logged as an error and leaves it empty too.
    void load(InternTable &names);
    // Parses a workbook held in a writable buffer (parsed in place) into the table.
    void loadFromBuffer(InternTable &names, char *bytes, size_t size, const char *fileName);
    void clear();

    // The value of the first pair of the key, converted to the encoding (the result of a conversion lives
    // until the next one); null for a null key or a key without a pair. Interns nothing.
    const char *getLocalizedText(const char *key, int32_t encoding) const;

    int32_t count() const { return pairs_.count(); }
    const LocalizationPair *pair(int32_t index) const { return pairs_[index]; }

private:
    void append(const char *key, const char *value);

    PtrArray<LocalizationPair> pairs_{kPairGrowStep};
    HoObjectPool<LocalizationPair> pool_;
    std::unordered_map<std::string_view, const char *> firstValues_;
};
