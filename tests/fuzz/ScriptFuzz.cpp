// Scripts through the parser, with includes read from the test scripts' folder.

#include <memory>

#include "engine/system/KSystem.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptParser.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/StringArena.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

// The scripts of the test data: "include NAME" finds tests/data/scripts/NAME.script.
const std::filesystem::path kScripts = std::filesystem::path(LF_SOURCE_DIR) / "tests" / "data" / "scripts";

void ignoreMessage(const char *, void *) {}

// What the parser stores: every statement has its command row and slots, never an include, and every
// block value is a block whose statements hold the same.
void checkBlock(const ScriptBlock *block, int depth) {
    FUZZ_CHECK(block != nullptr && depth < 1000);
    for (int32_t i = 0; i < block->statements.count(); ++i) {
        const ScriptStatement *statement = block->statements[i];
        FUZZ_CHECK(statement && statement->command && statement->command->kind != kScriptCommandInclude);
        FUZZ_CHECK(statement->paramCount() == 0 || statement->params);
        for (int32_t p = 0; p < statement->paramCount(); ++p) {
            if (statement->params[p].type == kScriptBlock)
                checkBlock(static_cast<const ScriptBlock *>(statement->params[p].pointer), depth + 1);
        }
    }
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    for (const auto &entry : std::filesystem::directory_iterator(kScripts))
        seeds.addFile(entry.path().filename().string(), entry.path());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool ready = [] {
        std::snprintf(dataPath, sizeof dataPath, "%s/tests", LF_SOURCE_DIR);
        initScriptCommandTable();
        return true;
    }();
    (void)ready;
    auto arena = std::make_unique<StringArena>();
    auto names = std::make_unique<InternTable>(*arena);
    registerKeywords(*names);
    auto pools = std::make_unique<ScriptRecordPools>();
    ScriptParser parser(*names, *pools, {&ignoreMessage, nullptr});
    ScriptBlock *top = pools->newBlock(false);
    parser.parseScriptText(inputText(data, size).c_str(), top, "fuzz", false);
    checkBlock(top, 0);
    return 0;
}
