#pragma once
// The profile suites' game: the script runtime's test world over a game object whose per-user folder
// (the state folder's "Velt" subfolder) lies in the suite's scratch application-data folder, with the
// profile variables bound; and fresh worlds over the same context, as a world built to load a game is.

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>

#include "game/HoGame.h"
#include "game/player/ProfileList.h"
#include "game/player/SavedGame.h"
#include "game/script/ScriptVariable.h"
#include "tests/game/player/SaveStreamSupport.h"

class ProfileTest : public SaveStreamTest {
protected:
    ProfileTest() {
        application = std::make_unique<HoGame>(lanternfallSettings());
        EXPECT_TRUE(application->initStateFolder());
        std::filesystem::create_directories(application->userFolder());
        context.game = application.get();
        bindProfileVariables(&world);
    }
    ~ProfileTest() override { context.game = nullptr; }

    // A world with its "game" scene, whose script declares what is given, the scenes named, and the
    // profile variables bound, which reads the list.
    std::unique_ptr<HoWorld> freshWorld(const char *globalScript = nullptr, std::initializer_list<const char *> scenes = {}) {
        auto other = std::make_unique<HoWorld>(&context);
        other->globalScene = addSceneTo(*other, "game");
        for (const char *scene : scenes)
            addSceneTo(*other, scene);
        other->bindScriptGlobals();
        if (globalScript) {
            ScriptParser otherParser{names, other->scriptPools, other->messages()};
            otherParser.parseScriptText(globalScript, other->globalScene->script.scripts, "inline test", false);
            declareSceneScripts(other->globalScene);
        }
        bindProfileVariables(other.get());
        return other;
    }

    std::filesystem::path userFolder() const { return application->userFolder(); }
    std::string listPath() const { return (userFolder() / "profiles.sav").string(); }
    // The names of the files and folders of the per-user folder.
    std::set<std::string> userFiles() const {
        std::set<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(userFolder()))
            names.insert(entry.path().filename().string());
        return names;
    }
    void touch(const std::string &name) { lftest::writeFileText(userFolder() / name, "old game"); }
    // A saved game of this world, written as the game writes one, under the name in the per-user folder.
    bool writeSavedGame(const std::string &name) {
        return saveFrom(&world, "Morvane/Brightmoor_Ambercrest/Velt/" + name,
                        [this](SaveStream &stream) { return serializeWorld(&world, stream); });
    }

    // A slot's variables as the scripts set them.
    static void setSlot(HoWorld &into, int32_t slot, const char *name, float base) {
        ProfileRecord &record = into.profiles[slot];
        if (name)
            record.slot(ProfileRecord::kName)->setPointer(kScriptText, into.names().internOrFind(name));
        else
            record.slot(ProfileRecord::kName)->clear();
        for (int32_t field = ProfileRecord::kName + 1; field < ProfileRecord::kVariableCount; ++field)
            record.slot(ProfileRecord::Variable(field))->setNumber(base + float(field));
        for (int32_t i = 0; i < ProfileRecord::kValueCount; ++i)
            record.values[i].setNumber(base * 100.0f + float(i));
    }
    static std::string nameOf(const HoWorld &in, int32_t slot) {
        const char *name = in.profiles[slot].name();
        return name ? name : "(none)";
    }
    static float numberOf(const HoWorld &in, int32_t slot, ProfileRecord::Variable field) {
        const ScriptValue *value = in.profiles[slot].slot(field);
        return value && value->type == kScriptNumber ? value->number : -999.0f;
    }

    std::unique_ptr<HoGame> application;
};
