// The game's configuration files: every line read becomes an entry that a lookup of its key finds.

#include <cstring>
#include <memory>

#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoConfiguration.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

void fuzzSeeds(SeedFolder &seeds) {
    seeds.add("game.cfg", std::string("textures.use_atlas=1\nhud.inventory.font=3\n;comment=1\nvolume=0.75\r\n"
                                      "title=The Keeper's Lantern\nempty=\n=no key\nline without equals\n"));
    seeds.add("long.cfg", std::string("long=") + std::string(300, 'x') + "\nafter=-.5\rlast=2");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static HoGame *game = new HoGame(lanternfallSettings());
    const std::string path = inputFile(data, size, ".cfg");
    auto context = std::make_unique<HoContext>(game);
    HoConfiguration configuration;
    configuration.context = context.get();
    configuration.filePath = path.c_str();
    configuration.load(nullptr);
    for (int32_t i = 0; i < configuration.entries.count(); ++i) {
        const ConfigEntry *entry = configuration.entries[i];
        FUZZ_CHECK(entry->key != nullptr);
        FUZZ_CHECK(std::strlen(entry->inlineText) < ConfigEntry::kInlineTextBytes);
        const ConfigEntry *found = configuration.find(entry->key);
        FUZZ_CHECK(found != nullptr && std::strcmp(found->key, entry->key) == 0);
    }
    configuration.unload(nullptr);
    FUZZ_CHECK(configuration.entries.count() == 0);
    return 0;
}
