// The saved forms of elements, pick records and hidden-object items: a scene loaded from its scene file
// is played and saved, then a new world loads the same scene file and reads the save back, as a load of
// a saved game does; each field comes back from the versions that have it.

#include "game/scene/ElementSave.h"

#include <functional>
#include <string>
#include <vector>

#include "game/scene/ElementMedia.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/RenderRecordPools.h"
#include "tests/game/player/SaveFiles.h"
#include "tests/game/scene/SceneTestSupport.h"

namespace {

class ElementSaveTest : public SceneFilesTest, public SaveFiles {
protected:
    ElementSaveTest() {
        write("data/particles/sparks.particles", "L 2\n");
        write("data/scenes/hall/hall.scene", "O frame\nO door\nI door.png\nO window\nI window.png\n"
                                             "O fx:sparks.particles\nO lamp\n");
        hall = loadHall();
    }

    // The hall as a newly built world has it, in place of the world so far.
    HoScene *newWorld() {
        newEmptyWorld();
        hall = loadHall();
        return hall;
    }
    HoScene *loadHall() {
        HoScene *scene = loadScene("hall");
        for (int32_t i = 0; i < scene->allElements.members.count(); ++i)
            setupElementMedia(scene->allElements.members[i]);
        return scene;
    }
    SceneElement *element(const char *name) { return hall->findElement(name); }

    // The body, then a number after it, which must read back too: the body read exactly what it wrote.
    Body followed(const std::function<bool(SaveStream &)> &body) {
        return [body](SaveStream &stream) {
            int32_t after = 77;
            return body(stream) && stream.serializeInt(after) && after == 77;
        };
    }
    bool save(const Body &body, int32_t version = SaveStream::kVersion) {
        return saveFrom(world.get(), "hall.sav", followed(body), version);
    }
    bool load(const Body &body) { return loadInto(world.get(), "hall.sav", followed(body)); }

    HoScene *hall = nullptr;
};

// The element's saved fields in groups, by the version that added them.
struct ElementGroups {
    std::string always, animationTime, noHint, parent;
};

std::string text(const ScriptValue &value) {
    if (value.type == kScriptNumber)
        return std::to_string(value.number);
    if (value.type == kScriptText && value.text())
        return value.text();
    return "type " + std::to_string(value.type);
}

std::string nameOf(const SceneElement *element) {
    return element ? element->name : "none";
}

ElementGroups groupsOf(const SceneElement &e) {
    std::string always;
    for (float number : {float(e.startFrame), float(e.endFrame), float(e.pendingMove), e.pendingX, e.pendingY,
                         float(e.pendingZFlag), e.pendingZ, float(e.pendingAngleFlag), e.pendingAngle, e.blendFactor,
                         float(e.visible), float(e.onLook), float(e.onPick), float(e.onGoto), float(e.draggable),
                         float(e.dragMode), float(e.onRotate), float(e.onUseOrClick), float(e.pointerShape),
                         e.soundVolume})
        always += std::to_string(number) + " ";
    always += text(e.active) + " " + text(e.proActive) + " " + nameOf(e.dropTarget) + " " + text(e.text) + " " +
              text(e.textKey);
    std::string animationTime = std::to_string(e.animationDuration) + " " + std::to_string(e.currentFrame) + " " +
                                std::to_string(e.animating) + " " + std::to_string(e.animationFx);
    return {always, animationTime, text(e.noHint), nameOf(e.parent)};
}

void play(SceneElement &e, SceneElement *frame, SceneElement *window, InternTable &names) {
    e.startFrame = 3;
    e.endFrame = 12;
    e.animationDuration = 2.5f;
    e.currentFrame = 7.5f;
    e.animating = e.animationFx = 1;
    e.pendingMove = e.pendingZFlag = e.pendingAngleFlag = 1;
    e.pendingX = 10.0f;
    e.pendingY = -20.0f;
    e.pendingZ = 5.0f;
    e.pendingAngle = 90.0f;
    e.blendFactor = 0.5f;
    e.parent = frame;
    e.visible = 0;
    e.active.setNumber(0.0f);
    e.proActive.setNumber(1.0f);
    e.onLook = e.onPick = e.draggable = e.onRotate = e.onUseOrClick = 1;
    e.dropTarget = window;
    e.dragMode = 2;
    e.pointerShape = 4;
    e.noHint.setNumber(1.0f);
    e.soundVolume = 0.25f;
    e.text.setPointer(kScriptText, names.internOrFind("Open me"));
    e.textKey.setPointer(kScriptText, names.internOrFind("door_text"));
}

TEST_F(ElementSaveTest, AnElementReadsBackTheFieldsOfItsVersion) {
    struct Case {
        int32_t version;
        bool always, noHint, animationTime, parent;
    };
    const Case cases[] = {
        {9, false, false, false, false},  {10, true, false, false, false}, {22, true, false, false, false},
        {23, true, true, false, false},   {24, true, true, false, false},  {25, true, true, true, false},
        {28, true, true, true, false},    {29, true, true, true, true},
    };
    const ElementGroups fresh = groupsOf(*element("door"));
    for (const Case &c : cases) {
        newWorld();
        play(*element("door"), element("frame"), element("window"), names());
        const ElementGroups played = groupsOf(*element("door"));
        ASSERT_TRUE(save([this](SaveStream &stream) { return serializeElement(element("door"), stream); }, c.version));
        newWorld();
        SceneElement *door = element("door");
        ASSERT_TRUE(load([door](SaveStream &stream) { return serializeElement(door, stream); })) << c.version;
        EXPECT_EQ(door->scriptTouched, 1) << c.version;
        const ElementGroups read = groupsOf(*door);
        EXPECT_EQ(read.always, c.always ? played.always : fresh.always) << c.version;
        EXPECT_EQ(read.noHint, c.noHint ? played.noHint : fresh.noHint) << c.version;
        EXPECT_EQ(read.animationTime, c.animationTime ? played.animationTime : fresh.animationTime) << c.version;
        EXPECT_EQ(read.parent, c.parent ? played.parent : fresh.parent) << c.version;
    }
}

TEST_F(ElementSaveTest, TheEmitterAndThePictureAreTakenUpFromTheElementsTheyCameFrom) {
    // The lamp shows the sparks of fx, as the particles command leaves it; the door shows the window's
    // picture. fx's own emitter has not been started, so it has no element to name.
    SceneElement *lamp = element("lamp");
    lamp->emitter = world->renderPools.acquireEmitter();
    lamp->emitter->init(element("fx"), true, nullptr, lamp, 0.0f, 0.0f);
    element("door")->sharedImageSource = element("window");
    element("door")->renderable = element("window")->renderable;
    auto elements = [this](SaveStream &stream) {
        for (const char *name : {"lamp", "door", "fx", "window"}) {
            if (!serializeElement(element(name), stream))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(save(elements));

    newWorld();
    ParticleEmitter *lampHad = element("lamp")->emitter = world->renderPools.acquireEmitter();
    ParticleEmitter *fxOwn = element("fx")->emitter;
    HoRenderable *doorOwn = element("door")->renderable;
    ASSERT_TRUE(load(elements));
    ParticleEmitter *restarted = element("lamp")->emitter;
    ASSERT_NE(restarted, nullptr);
    // The emitter the lamp had went back to the world, which gives out the last one it took back first.
    EXPECT_EQ(restarted, lampHad);
    EXPECT_EQ(restarted->definitionElement, element("fx"));
    EXPECT_EQ(restarted->owner, element("lamp"));
    EXPECT_EQ(restarted->loop, 1);
    EXPECT_EQ(restarted->offsetX, 0.0f);
    EXPECT_EQ(element("fx")->emitter, fxOwn);
    EXPECT_EQ(element("door")->sharedImageSource, element("window"));
    EXPECT_EQ(element("door")->renderable, element("window")->renderable);
    EXPECT_EQ(element("door")->savedRenderable, doorOwn) << "its own picture is kept to be released";
    EXPECT_EQ(element("window")->sharedImageSource, nullptr);
}

TEST_F(ElementSaveTest, PickRecordsReadBackTheFieldsOfTheirVersion) {
    auto fields = [](const ElementPickInfo &p) {
        return std::vector<float>{float(p.found), float(p.foundOrder), float(p.disappearing), float(p.striking),
                                  float(p.disappearCounter), p.strikeProgress, p.sweep, p.left, p.top, p.right,
                                  p.bottom, float(p.taken), float(p.wasListed)};
    };
    ElementPickInfo played;
    played.init(element("door"));
    played.found = played.disappearing = played.striking = played.taken = played.wasListed = 1;
    played.foundOrder = 2;
    played.disappearCounter = -70;
    played.strikeProgress = -1.0f;
    played.sweep = 0.75f;
    played.left = 10.0f;
    played.top = 20.0f;
    played.right = 300.0f;
    played.bottom = 400.0f;
    for (int32_t version : {12, 13}) {
        ASSERT_TRUE(save([&](SaveStream &stream) { return serializeElementPickInfo(&played, stream); }, version));
        ElementPickInfo read;
        read.init(element("door"));
        ASSERT_TRUE(load([&](SaveStream &stream) { return serializeElementPickInfo(&read, stream); })) << version;
        std::vector<float> expected = fields(played);
        if (version < 13)
            expected[11] = expected[12] = 0.0f;
        EXPECT_EQ(fields(read), expected) << version;
    }
}

TEST_F(ElementSaveTest, HiddenObjectItemsReadBackAndALongNameIsCutOnACharacter) {
    HiddenObjectItem played(hall);
    played.setName("brass key");
    played.listPosition = 3;
    played.foundCount = 2;
    played.finishedCount = 1;
    played.interactive = played.drawnThisFrame = 1;
    played.listAlpha = 0.5f;
    ASSERT_TRUE(save([&](SaveStream &stream) { return played.serialize(stream); }));
    HiddenObjectItem read(hall);
    ASSERT_TRUE(load([&](SaveStream &stream) { return read.serialize(stream); }));
    EXPECT_STREQ(read.name, "brass key");
    EXPECT_EQ(std::vector<float>({float(read.listPosition), float(read.foundCount), float(read.finishedCount),
                                  float(read.interactive), float(read.drawnThisFrame), read.listAlpha}),
              std::vector<float>({3, 2, 1, 1, 1, 0.5f}));

    // A name of 100 bytes whose 63rd and 64th bytes are one character, in a file of another writer.
    const std::string longName = std::string(62, 'a') + "\xC3\xA9" + std::string(36, 'b');
    ASSERT_TRUE(save([&](SaveStream &stream) {
        const char *name = longName.c_str();
        int32_t position = 4, found = 0, finished = 0;
        uint8_t interactive = 0, drawn = 0;
        float alpha = 1.0f;
        return stream.serializeString(name) && stream.serializeInt(position) && stream.serializeInt(found) &&
               stream.serializeInt(finished) && stream.serializeByte(interactive) && stream.serializeByte(drawn) &&
               stream.serializeFloat(alpha);
    }));
    ASSERT_TRUE(load([&](SaveStream &stream) { return read.serialize(stream); }));
    EXPECT_EQ(std::string(read.name), std::string(62, 'a'));
    EXPECT_EQ(read.listPosition, 4);
}

} // namespace
