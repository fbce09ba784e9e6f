// The localisation workbook (SpreadsheetML): every key the table holds finds a text.

#include <cstring>
#include <memory>

#include "engine/text/KTextEncoding.h"
#include "game/HoLocalization.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.addFile("Localization.xml",
                  std::filesystem::path(LF_SOURCE_DIR) / "demo" / "content" / "data" / "texts" / "Localization.xml");
    seeds.add("small.xml", std::string("<?xml version=\"1.0\"?><Workbook><Worksheet><Table>"
                                       "<Row><Cell><Data>KEY</Data></Cell>"
                                       "<Cell><Data>Text &amp; more</Data></Cell></Row>"
                                       "<Row><Cell><Data>KEY</Data></Cell><Cell><Data>second</Data></Cell></Row>"
                                       "<Row><Cell><Data>ONLY_KEY</Data></Cell></Row>"
                                       "</Table></Worksheet></Workbook>"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    auto arena = std::make_unique<StringArena>();
    auto names = std::make_unique<InternTable>(*arena);
    // Parsed in place: a writable copy ending in 0.
    std::string bytes = inputText(data, size);
    HoLocalization table;
    table.loadFromBuffer(*names, bytes.data(), size, "fuzz.xml");
    for (int32_t i = 0; i < table.count(); ++i) {
        const LocalizationPair *pair = table.pair(i);
        FUZZ_CHECK(pair && pair->key && pair->value);
        FUZZ_CHECK(table.getLocalizedText(pair->key, kTextEncodingUtf8) != nullptr);
    }
    return 0;
}
