#include "game/HoLocalization.h"

#include <pugixml.hpp>

#include "engine/system/KSystem.h"
#include "game/util/ConvertText.h"
#include "game/util/InternTable.h"
#include "game/util/ReadWholeFile.h"

namespace {

// The text of a cell: that of its Data child; "" for a missing cell or Data.
const char *cellText(const pugi::xml_node &cell) {
    return cell.child("Data").child_value();
}

} // namespace

void HoLocalization::clear() {
    pairs_.clear();
    pool_.teardown();
    firstValues_.clear();
}

void HoLocalization::load(InternTable &names) {
    clear();
    const char *fileName = kFileName;
    WholeFile file;
    if (!readWholeFile(fileName, &file)) {
        fileName = kFallbackFileName;
        if (!readWholeFile(fileName, &file))
            return;
    }
    loadFromBuffer(names, file.data.get(), file.size, fileName);
}

void HoLocalization::loadFromBuffer(InternTable &names, char *bytes, size_t size, const char *fileName) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer_inplace(bytes, size);
    if (!parsed) {
        logMessage("Game: cannot read the localisation %s: %s at byte %td, ERROR", fileName, parsed.description(),
                   parsed.offset);
        return;
    }
    const pugi::xml_node table = document.child("Workbook").child("Worksheet").child("Table");
    if (!table) {
        logMessage("Game: the localisation %s has no Workbook, Worksheet and Table, WARNING", fileName);
        return;
    }
    // The rows are counted first, so that the pairs and their index are made at their size at once.
    int32_t rows = 0;
    for (pugi::xml_node row = table.child("Row"); row; row = row.next_sibling())
        ++rows;
    firstValues_.reserve(size_t(rows));
    pairs_.reserve(rows);
    for (pugi::xml_node row = table.child("Row"); row; row = row.next_sibling()) {
        const pugi::xml_node keyCell = row.child("Cell");
        const char *key = cellText(keyCell);
        if (key[0] == '\0' || key[0] == ';')
            continue;
        append(names.internOrFind(key), names.internOrFind(cellText(keyCell.next_sibling("Cell"))));
    }
}

void HoLocalization::append(const char *key, const char *value) {
    LocalizationPair *pair = pool_.allocate();
    pair->key = key;
    pair->value = value;
    pairs_.append(pair);
    firstValues_.emplace(key, value);
}

const char *HoLocalization::getLocalizedText(const char *key, int32_t encoding) const {
    if (!key)
        return nullptr;
    const auto found = firstValues_.find(key);
    return found == firstValues_.end() ? nullptr : convertText(found->second, encoding);
}
