// The profile list read into a world whose "game" scene has the profile variables bound, at every
// version a writer of ours made.

#include <cstdlib>
#include <memory>
#include <string>

#include "game/HoContext.h"
#include "game/player/ProfileList.h"
#include "game/player/SaveStream.h"
#include "game/scene/HoScene.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

// A world with its "game" scene and the profile variables; without a game object it has no per-user
// folder, so nothing is read or deleted behind the input's back.
struct FuzzWorld {
    FuzzWorld() {
        auto *game = new HoScene(&world);
        const char *name = context.interned.internOrFind("game");
        game->setNames(name, name);
        world.scenes.append(game);
        world.globalScene = game;
        world.bindScriptGlobals();
        bindProfileVariables(&world);
    }
    HoContext context{nullptr};
    HoWorld world{&context};
};

void writeSeed(SeedFolder &seeds, const char *name, int32_t version) {
    FuzzWorld fuzzWorld;
    HoWorld &world = fuzzWorld.world;
    for (int32_t slot = 1; slot <= 3; ++slot) {
        ProfileRecord &record = world.profiles[slot];
        record.slot(ProfileRecord::kName)->setPointer(kScriptText, world.names().internOrFind(("player " + std::to_string(slot)).c_str()));
        record.slot(ProfileRecord::kTimePlayed)->setNumber(float(slot * 60));
        record.values[slot].setNumber(1.0f);
    }
    setCurrentProfileIndex(&world, 2);
    SaveStream stream(&world);
    const std::string path = seeds.scratch(name).string();
    FUZZ_CHECK(stream.openWrite(version) && serializeProfileList(stream, &world) && stream.flushToFile(path.c_str()));
    seeds.addFile(name, path);
}

} // namespace

void fuzzSeeds(SeedFolder &seeds) {
    setenv("XDG_DATA_HOME", seeds.scratch("seed").parent_path().c_str(), 1);
    writeSeed(seeds, "profiles.sav", SaveStream::kVersion);
    writeSeed(seeds, "profiles-19.sav", 19);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string path = inputFile(data, size, ".sav");
    auto fuzzWorld = std::make_unique<FuzzWorld>();
    HoWorld &world = fuzzWorld->world;
    SaveStream stream(&world);
    if (!stream.openRead(path.c_str()))
        return 0;
    serializeProfileList(stream, &world);
    const int32_t index = currentProfileIndex(&world);
    FUZZ_CHECK(index >= 0 && index <= kProfileSlotCount);
    for (int32_t slot = 1; slot <= kProfileSlotCount; ++slot) {
        const ProfileRecord &record = world.profiles[slot];
        const ScriptValue *name = record.slot(ProfileRecord::kName);
        FUZZ_CHECK(name->type == kScriptNone || (name->type == kScriptText && name->text() &&
                                                  world.names().findInterned(name->text()) == name->text()));
        // A field is a number once read; one the file does not hold keeps what the world gave it.
        for (int32_t field = ProfileRecord::kName + 1; field < ProfileRecord::kVariableCount; ++field) {
            const int32_t type = record.slot(ProfileRecord::Variable(field))->type;
            FUZZ_CHECK(type == kScriptNumber || type == kScriptNone);
        }
    }
    restoreAchievements(&world, index);
    return 0;
}
