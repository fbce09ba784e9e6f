#pragma once
// A game for the benchmarks of scenes: a scratch content folder of its own (the data path while it lives), a window on the headless software device, a started context
// with the script vocabulary, an empty world, and scenes added as the world's factory names them and
// loaded from their files.

#include <cstdio>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/window/KWindowD3D9.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/HoGameSettings.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneFileLoader.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/util/InternTable.h"
#include "game/world/HoWorld.h"
#include "tests/support/TestSupport.h"

namespace benchsupport {

// The scene, named and given its folder, joins the world and reads its file.
template <typename Scene>
Scene *joinWorldAndLoad(HoWorld *world, InternTable &names, Scene *scene, const char *name, const std::string &folder) {
    const char *interned = names.internOrFind(name);
    scene->setNames(interned, interned);
    scene->folder = names.internOrFind(folder.c_str());
    world->scenes.append(scene);
    loadSceneContent(scene);
    return scene;
}

class BenchGame {
public:
    BenchGame() {
        useHeadlessSoftwareDevice();
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.str().c_str());
    }
    BenchGame(const BenchGame &) = delete;
    BenchGame &operator=(const BenchGame &) = delete;

    // The window, the context and the world; false when the window cannot be made.
    bool start(int width, int height, const char *title) {
        window = std::make_unique<KWindowD3D9>();
        if (!window->createGameWindow(width, height, 32, true, title))
            return false;
        initScriptCommandTable();
        context = std::make_unique<HoContext>(&game);
        context->init();
        registerKeywords(context->interned);
        world = std::make_unique<HoWorld>(context.get());
        return true;
    }
    // The scene, named and given the folder "data/scenes/<name>", joins the world and reads its file.
    template <typename Scene>
    Scene *loadScene(Scene *scene, const char *name) {
        return joinWorldAndLoad(world.get(), context->interned, scene, name, "data/scenes/" + std::string(name));
    }

    lftest::TempDir folder; // removed last, when the world, context and window are gone
    HoGame game{lanternfallSettings()};
    std::unique_ptr<KWindowD3D9> window;
    std::unique_ptr<HoContext> context;
    std::unique_ptr<HoWorld> world;
};

} // namespace benchsupport
