#pragma once
// Shared by the display-node and shooter-parts suites: scenes read from scene files that the suite writes,
// with solid-colour pictures written by libpng, their media set up and their pictures loaded as the
// scene's entry would, and placed by one scene update.

#include <string>
#include <vector>

#include "game/minigames/DisplayNode.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoTexture.h"
#include "game/scene/ElementMedia.h"
#include "tests/game/scene/SceneTestSupport.h"
#include "tests/support/PngTestSupport.h"

namespace nodetest {

constexpr uint32_t kBackground = 0xFF000000u;

class NodeScenes : public SceneFilesTest {
protected:
    // A picture of one colour in the scene folder "data/scenes/arena".
    void solidPicture(const char *name, int w, int h, uint32_t argb) {
        ASSERT_TRUE(lftest::writePng(source() / "data/scenes/arena" / name, w, h,
                                     std::vector<uint32_t>(size_t(w) * h, argb)));
    }
    // The scene "arena" of the text, its media set up, its pictures loaded and its elements placed.
    HoScene *arena(const std::string &sceneText) {
        write("data/scenes/arena/arena.scene", sceneText);
        started();
        HoScene *scene = loadScene("arena");
        forEach(scene, setupElementMedia);
        forEach(scene, loadElementImages);
        scene->update();
        return scene;
    }
    static void forEach(HoScene *scene, void (*operation)(SceneElement *)) {
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i)
            operation(scene->allElements.members[i]);
    }
    int16_t uses(const char *picture) {
        return context().resources->getTexture((std::string("data/scenes/arena/") + picture).c_str())->useCount;
    }
    // The frame of the nodes drawn over the background through the shared batch, flushed.
    std::vector<uint32_t> drawn(DisplayNode &node, float alpha = 1.0f) {
        host.clear(kBackground);
        node.draw(alpha);
        started().flushBatch();
        return frame();
    }
};

} // namespace nodetest
