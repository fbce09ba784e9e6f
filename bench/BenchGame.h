#pragma once
// A game for the benchmarks of scenes: a content folder of its own under the temporary folder (the data
// path while it lives, removed with it), a window on the headless software device, a started context
// with the script vocabulary, an empty world, and scenes added as the world's factory names them and
// loaded from their files.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

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

namespace benchsupport {

class BenchGame {
public:
    explicit BenchGame(const char *name)
        : folder(std::filesystem::temp_directory_path() / ("lf-bench-" + std::string(name) + "-" +
                                                           std::to_string(getpid()))) {
        useHeadlessSoftwareDevice();
        std::filesystem::create_directories(folder);
        std::snprintf(dataPath, sizeof dataPath, "%s", folder.c_str());
    }
    ~BenchGame() {
        world.reset();
        context.reset();
        window.reset();
        std::filesystem::remove_all(folder);
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
        const char *interned = context->interned.internOrFind(name);
        scene->setNames(interned, interned);
        scene->folder = context->interned.internOrFind(("data/scenes/" + std::string(name)).c_str());
        world->scenes.append(scene);
        loadSceneContent(scene);
        return scene;
    }

    const std::filesystem::path folder;
    HoGame game{lanternfallSettings()};
    std::unique_ptr<KWindowD3D9> window;
    std::unique_ptr<HoContext> context;
    std::unique_ptr<HoWorld> world;
};

} // namespace benchsupport
