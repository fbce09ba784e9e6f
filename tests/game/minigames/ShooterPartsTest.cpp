// What both shooters share: places showing templates, the renderer on the element "render" with the
// texture uses it takes and gives back, the template arrays in their three forms, and settings read
// through their slots.

#include "tests/game/minigames/NodeTestSupport.h"

#include <climits>
#include <limits>

#include "game/minigames/ShooterParts.h"
#include "game/scene/HoSceneImage.h"
#include "game/script/ScriptVariable.h"

namespace nodetest {
namespace {

class ShooterParts : public NodeScenes {
protected:
    ScriptValue *variable(ScriptContext *context, const char *name) {
        return findOrCreateVariable(context, name, nullptr)->value;
    }
};

TEST_F(ShooterParts, APlaceKeepsItsOwnPictureAndLoadsTemplatesOnlyInRuntimeLoading) {
    solidPicture("place.png", 4, 4, 0xFF808080u);
    solidPicture("red.png", 4, 4, 0xFFFF0000u);
    solidPicture("blue.png", 4, 4, 0xFF0000FFu);
    HoScene *scene = arena("O place_00\nI place.png\nO red\nI red.png\nO blue\nI blue.png\n");
    SceneElement *place = scene->findElement("place_00");
    SceneElement *red = scene->findElement("red");
    SceneElement *blue = scene->findElement("blue");
    HoRenderable *own = place->renderable;

    showTemplate(place, red);
    showTemplate(place, blue);
    EXPECT_EQ(place->savedRenderable, own) << "the second template does not replace the saved picture";
    EXPECT_EQ(place->renderable, blue->renderable);
    EXPECT_EQ(place->sharedImageSource, blue);
    EXPECT_EQ(uses("red.png"), 1);
    EXPECT_EQ(uses("blue.png"), 1);

    // The number 1 in the scene's own "#runtime_loading" or in the global one; nothing else counts.
    ScriptValue *global = variable(&globalScene->script, "#runtime_loading");
    ScriptValue *local = variable(&scene->script, "#runtime_loading");
    const struct {
        float global, local;
        int16_t uses;
    } cases[] = {{2.0f, 0.0f, 1}, {0.0f, 1.0f, 2}, {1.0f, 0.0f, 3}, {0.0f, 0.0f, 3}};
    for (const auto &c : cases) {
        global->setNumber(c.global);
        local->setNumber(c.local);
        showTemplate(place, red);
        EXPECT_EQ(uses("red.png"), c.uses) << "global " << c.global << " local " << c.local;
    }
    EXPECT_EQ(place->savedRenderable, own);
}

// A renderer that counts its draws and the alpha it was given.
class CountingRenderer : public HoSceneImage {
public:
    static HoSceneImage *make(HoScene *) { return new CountingRenderer(); }
    void draw(const SceneElement &, float opacity, const FrameRect &, const QuadCorners &) override {
        ++draws;
        lastOpacity = opacity;
    }
    int32_t draws = 0;
    float lastOpacity = 0.0f;
};

TEST_F(ShooterParts, TheRendererTakesTheElementsUseOfItsTextureAndGivesItBack) {
    solidPicture("board.png", 8, 8, 0xFF406080u);
    HoScene *empty = arena("O gun\n");
    SceneRendererHolder holder;
    EXPECT_EQ(holder.install(empty, &CountingRenderer::make), nullptr) << "no element render yet";

    write("data/scenes/arena/arena.scene", "O render\nI board.png\n");
    HoScene *scene = loadScene("arena");
    forEach(scene, setupElementMedia);
    SceneElement *render = scene->findElement("render");
    HoRenderable *own = render->renderable;
    EXPECT_EQ(uses("board.png"), 0) << "before entering";

    loadElementImages(render);
    ASSERT_EQ(holder.install(scene, &CountingRenderer::make), render);
    auto *renderer = static_cast<CountingRenderer *>(holder.renderer());
    EXPECT_EQ(render->renderable, renderer);
    EXPECT_EQ(holder.install(scene, &CountingRenderer::make), render) << "made once";
    EXPECT_EQ(holder.renderer(), renderer);
    EXPECT_STREQ(renderer->path, own->path);
    EXPECT_NE(renderer->texture->picture, nullptr);
    EXPECT_EQ(uses("board.png"), 1);

    render->renderable->draw(*render, 0.75f, FrameRect(), QuadCorners());
    EXPECT_EQ(renderer->draws, 1);
    EXPECT_EQ(renderer->lastOpacity, 0.75f);

    unloadElementImages(render);
    EXPECT_EQ(uses("board.png"), 0) << "after leaving";
    loadElementImages(render);
    EXPECT_EQ(uses("board.png"), 1) << "entering again";

    // A reset (or the scene's end) puts the element's own picture back with the use.
    holder.remove();
    EXPECT_EQ(render->renderable, own);
    EXPECT_EQ(holder.element(), nullptr);
    EXPECT_EQ(uses("board.png"), 1);
    unloadElementImages(render);
    EXPECT_EQ(uses("board.png"), 0);

    // Made while the pictures are not loaded, the renderer holds no use until they are.
    holder.install(scene, &CountingRenderer::make);
    EXPECT_EQ(uses("board.png"), 0);
    loadElementImages(render);
    EXPECT_EQ(uses("board.png"), 1);
    unloadElementImages(render);
    EXPECT_EQ(uses("board.png"), 0);
}

TEST_F(ShooterParts, TemplateArraysInTheirThreeForms) {
    solidPicture("red.png", 4, 4, 0xFFFF0000u);
    solidPicture("blue.png", 4, 4, 0xFF0000FFu);
    HoScene *scene = arena("O red\nI red.png\nO blue\nI blue.png\nO bare\n");
    ScriptContext *script = &scene->script;
    auto element = [&](const char *name) { return &scene->findElement(name)->selfSlot; };
    *variable(script, "$ball_00") = *element("red");
    *variable(script, "$ball_01") = *element("blue");
    *variable(script, "$ball_02") = *element("bare");
    variable(script, "$ball_03")->setNumber(4.0f);
    *variable(script, "$kinds_00") = *element("red");
    *variable(script, "$alts_00") = *element("blue");
    *variable(script, "$nested_00") = *variable(script, "$kinds");
    *variable(script, "$nested_01") = *variable(script, "$alts");
    *variable(script, "$single_00") = *variable(script, "$kinds");
    auto listOf = [&](const char *name) { return static_cast<PtrArray<ScriptValue> *>(variable(script, name)->pointer); };

    const TemplateArrays flat = readTemplateArrays(variable(script, "$ball"));
    EXPECT_EQ(flat.kinds, listOf("$ball"));
    EXPECT_EQ(flat.alternates, flat.kinds);
    EXPECT_EQ(templateCount(flat.kinds), 4);
    EXPECT_EQ(templateAt(flat.kinds, 1), scene->findElement("blue"));
    for (int32_t index : {2, 3, 4, -1})
        EXPECT_EQ(templateAt(flat.kinds, index), nullptr) << "not an element with a picture: " << index;

    const TemplateArrays nested = readTemplateArrays(variable(script, "$nested"));
    EXPECT_EQ(nested.kinds, listOf("$kinds"));
    EXPECT_EQ(nested.alternates, listOf("$alts"));
    const TemplateArrays single = readTemplateArrays(variable(script, "$single"));
    EXPECT_EQ(single.kinds, listOf("$kinds"));
    EXPECT_EQ(single.alternates, nullptr);
    const TemplateArrays none = readTemplateArrays(variable(script, "$ball_03"));
    EXPECT_EQ(none.kinds, nullptr);
    EXPECT_EQ(templateCount(none.kinds), 0);

    // A node made from an entry that is not a template has no element and draws nothing.
    DisplayNode node(scene, nullptr, templateAt(flat.kinds, 2));
    node.setX(20.0f);
    node.setY(20.0f);
    EXPECT_EQ(node.element, nullptr);
    EXPECT_EQ(at(drawn(node), 20, 20), kBackground);
}

TEST_F(ShooterParts, ASettingReadsItsSlotAtEveryUseAndFallsBackOnAnythingButAFiniteNumber) {
    HoScene *scene = arena("O gun\n");
    MinigameSetting speed(40.0f);
    speed.bindWithDefault(&scene->script, "#zuma_bullet_speed");
    ScriptValue *slot = variable(&scene->script, "#zuma_bullet_speed");
    EXPECT_EQ(speed.slot(), slot);
    EXPECT_EQ(slot->asNumber(), 40.0f);
    slot->setNumber(60.0f);
    EXPECT_EQ(speed.number(), 60.0f) << "a script change acts at once";

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float value;
        float number;
        int32_t whole;
    } numbers[] = {{-2.7f, -2.7f, -2}, {1e30f, 1e30f, INT_MAX}, {nan, 40.0f, 40},
                   {std::numeric_limits<float>::infinity(), 40.0f, 40}};
    for (const auto &n : numbers) {
        slot->setNumber(n.value);
        EXPECT_EQ(speed.number(), n.number) << n.value;
        EXPECT_EQ(speed.whole(), n.whole) << n.value;
    }
    slot->setPointer(kScriptText, "fast");
    EXPECT_EQ(speed.number(), 40.0f);
    slot->setPointer(kScriptElement, scene->findElement("gun"));
    EXPECT_EQ(speed.number(), 40.0f);
    EXPECT_EQ(speed.element(), scene->findElement("gun"));

    // A setting that must be above zero; one that is only bound keeps what the script wrote.
    MinigameSetting moving(20.0f, MinigameSetting::kAboveZero);
    moving.bind(&scene->script, "#moving");
    variable(&scene->script, "#moving")->setNumber(0.0f);
    EXPECT_EQ(moving.number(), 20.0f);
    variable(&scene->script, "#moving")->setNumber(0.5f);
    EXPECT_EQ(moving.number(), 0.5f);
    MinigameSetting unbound(3.0f);
    EXPECT_EQ(unbound.number(), 3.0f);
    EXPECT_EQ(unbound.element(), nullptr);
}

} // namespace
} // namespace nodetest
