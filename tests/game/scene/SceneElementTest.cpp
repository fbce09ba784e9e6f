#include "game/scene/SceneElement.h"

#include <gtest/gtest.h>

namespace {

void expectNumber(const ScriptValue &slot, float value) {
    EXPECT_EQ(slot.type, kScriptNumber);
    EXPECT_FLOAT_EQ(slot.number, value);
}

void expectNone(const ScriptValue &slot) {
    EXPECT_EQ(slot.type, kScriptNone);
    EXPECT_EQ(slot.pointer, nullptr);
}

TEST(SceneElement, ANewElementHasOnlyItsComputedSlotsAndPivotsSet) {
    SceneElementPool pool;
    const SceneElement &element = *pool.allocate();
    for (const ScriptValue *slot : {&element.absX, &element.absY, &element.w, &element.h, &element.absScaleX,
                                    &element.absScaleY, &element.absAngle})
        expectNumber(*slot, 0.0f);
    expectNumber(element.pivotX, 0.5f);
    expectNumber(element.pivotY, 0.5f);
    for (const ScriptValue *slot :
         {&element.sceneSlot, &element.selfSlot, &element.nameSlot, &element.noSerialize, &element.x, &element.y,
          &element.z, &element.offsetZ, &element.hoTextX, &element.hoTextY, &element.sx, &element.sy,
          &element.angle, &element.baseOpacity, &element.alpha, &element.mediaSwitch, &element.red, &element.green,
          &element.blue, &element.cx, &element.cy, &element.textKey, &element.textHoverForce, &element.text,
          &element.charsCount, &element.charsSpeed, &element.textOffsetX, &element.textOffsetY,
          &element.tooltipActive, &element.active, &element.proActive, &element.noHint, &element.inventory,
          &element.index})
        expectNone(*slot);
    // Inactive until the loader or a script sets active.
    EXPECT_FALSE(element.isActive());
    EXPECT_FALSE(element.isProActive());
    EXPECT_FALSE(element.isNoHint());
    EXPECT_EQ(element.namedValues.count(), 0);
    EXPECT_EQ(element.namedValues.growStep(), 10);
    EXPECT_EQ(element.frameEvents.growStep(), 10);
    EXPECT_EQ(element.scene, nullptr);
    EXPECT_EQ(element.pickInfo, nullptr);
}

TEST(SceneElement, FlagsRoundHalvesAwayFromZeroAndCountOnlyNumbers) {
    struct Case {
        float value;
        bool active, nonZero;
    };
    const Case cases[] = {{1.0f, true, true},    {0.5f, true, true},   {0.49f, false, false},
                          {0.0f, false, false},  {-0.49f, false, false}, {-0.5f, false, true},
                          {-3.0f, false, true}};
    for (const Case &c : cases) {
        SceneElement element;
        element.active.setNumber(c.value);
        element.proActive.setNumber(c.value);
        element.noHint.setNumber(c.value);
        EXPECT_EQ(element.isActive(), c.active) << c.value;
        EXPECT_EQ(element.isProActive(), c.nonZero) << c.value;
        EXPECT_EQ(element.isNoHint(), c.nonZero) << c.value;
    }
    // A text or element in the slot is no number: the flag is off, whatever the pointer's bits.
    SceneElement element;
    static const char kText[] = "1";
    element.active.setPointer(kScriptText, kText);
    element.proActive.setPointer(kScriptElement, &element);
    EXPECT_FALSE(element.isActive());
    EXPECT_FALSE(element.isProActive());
}

TEST(SceneElement, CornersComeFromTheAbsoluteBlock) {
    SceneElement element;
    element.absX.setNumber(200.0f);
    element.absY.setNumber(300.0f);
    element.w.setNumber(100.0f);
    element.h.setNumber(50.0f);
    const QuadCorners corners = rotatedQuadCorners(element);
    const float expected[4][2] = {{150.0f, 275.0f}, {250.0f, 275.0f}, {250.0f, 325.0f}, {150.0f, 325.0f}};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(corners[i].x, expected[i][0], 1e-3) << "corner " << i;
        EXPECT_NEAR(corners[i].y, expected[i][1], 1e-3) << "corner " << i;
    }
}

// Every record of both blocks, and the lists that hang on them, are freed by the pool's teardown
// (LeakSanitizer checks).
TEST(SceneElement, ThePoolFreesEveryElementAndItsListsTogether) {
    HoObjectPool<NamedValue> values;
    static const char kLoop[] = "loop";
    {
        SceneElementPool pool;
        SceneElement *first = pool.allocate();
        for (int i = 1; i < 150; i++) {
            SceneElement *element = pool.allocate();
            for (int k = 0; k < 12; k++) // past one growth of the list
                element->namedValues.append(values.allocate());
            element->frameEvents.append(nullptr);
        }
        EXPECT_EQ(pool.blockCount(), 2);
        ASSERT_NE(findOrCreateNamedValue(first->namedValues, kLoop, values, true), nullptr);
        EXPECT_EQ(findOrCreateNamedValue(first->namedValues, kLoop, values, false), first->namedValues[0]);
    }
}

} // namespace

// Elements made the way the scene file makes them.
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HiddenObjectItem.h"
#include "game/scene/ScenePools.h"
#include "tests/game/scene/SceneTestSupport.h"

namespace {

class SceneElementNamingTest : public SceneFilesTest {
protected:
    SceneElement *make(const char *fullName) {
        SceneElement *element = world->elementPool.allocate();
        element->init(fullName, globalScene);
        return element;
    }
};

TEST_F(SceneElementNamingTest, TheNameGivesTheElementsNameMediaAndVisibility) {
    struct Case {
        const char *full, *name, *media;
        uint8_t visible;
    } cases[] = {
        {"door:door_open.png", "door", "door_open.png", 1},
        {"ho_vase.png|ho_jar", "ho_vase|ho_jar", "ho_vase.png", 1},
        {"key_picked", "key_picked", "key_picked", 0},
        {"key_picked:key.png", "key_picked", "key.png", 0},
        {"key_picked_2", "key_picked_2", "key_picked_2", 1},
        {":inventory", "", "inventory", 1},
    };
    for (const Case &c : cases) {
        SceneElement *element = make(c.full);
        EXPECT_EQ(element->name, names().findInterned(c.name)) << c.full;
        EXPECT_EQ(element->mediaName, names().findInterned(c.media)) << c.full;
        EXPECT_EQ(element->nameSlot.type, kScriptText);
        EXPECT_EQ(element->nameSlot.pointer, element->name);
        EXPECT_EQ(element->visible, c.visible) << c.full;
        EXPECT_EQ(element->findProperty(kwName), &element->nameSlot);
        EXPECT_EQ(element->findProperty(kwScene)->pointer, globalScene);
    }
}

TEST_F(SceneElementNamingTest, ANewElementStandsAtTheDesignCentreWithItsInitialValues) {
    ScreenValues saved = screenValues;
    screenValues.halfWidth = 640.0f;
    screenValues.halfHeight = 480.0f;
    screenValues.artScale = 0.5f;
    SceneElement *element = make("lamp");
    screenValues = saved;
    struct Case {
        const char *keyword;
        float value;
    } cases[] = {{"x", 1280.0f}, {"y", 960.0f}, {"sx", 0.0f},          {"sy", 0.0f},     {"alpha", 1.0f},
                 {"active", 1.0f}, {"chars_count", -1.0f}, {"tooltip_active", 1.0f}, {"pro_active", 0.0f},
                 {"text", 0.0f}, {"x2", 1.0f}, {"y2", 1.0f}, {"abs_x", 0.0f}, {"no_serialize", 0.0f}};
    for (const Case &c : cases) {
        ScriptValue *slot = element->findProperty(names().internOrFind(c.keyword));
        ASSERT_NE(slot, nullptr) << c.keyword;
        EXPECT_EQ(number(*slot), c.value) << c.keyword;
    }
    for (const char *none : {"index", "text_key", "inventory", "x1", "y1"})
        EXPECT_EQ(element->findProperty(names().internOrFind(none))->type, kScriptNone) << none;
    EXPECT_EQ(element->findProperty(names().internOrFind("colour")), nullptr);
    EXPECT_EQ(element->findProperty(kwHoTextX), nullptr);
    EXPECT_TRUE(element->isActive());
    EXPECT_EQ(element->blendFactor, 1.0f);
    EXPECT_EQ(element->pointerShape, 255);
}

TEST_F(SceneElementNamingTest, CutBlocksAndNamedValuesAreMadeOnce) {
    SceneElement *element = make("lamp");
    ScriptValue *x2 = element->findProperty(kwX2);
    ScriptValue *x1 = element->findProperty(kwX1);
    EXPECT_EQ(x1 + 1, x2);
    EXPECT_EQ(element->findProperty(kwX2), x2);
    EXPECT_EQ(element->findProperty(kwX1), x1);
    EXPECT_NE(element->findProperty(kwY1), x1);

    ScriptValue *glow = element->findNamedValue("glow", true);
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->type, kScriptNone);
    EXPECT_EQ(element->findNamedValue("glow", true), glow);
    EXPECT_EQ(element->findNamedValue("glow", false), glow);
    EXPECT_EQ(element->namedValues.count(), 1);
    EXPECT_EQ(element->findNamedValue("never_made", false), nullptr);
}

TEST_F(SceneElementNamingTest, TheHiddenObjectTextPositionComesFromTheItem) {
    SceneElement *element = make("ho_cup");
    element->pickInfo = world->scenePools.pickInfos.allocate();
    element->pickInfo->init(element);
    EXPECT_EQ(element->pickInfo->display, element);
    EXPECT_EQ(element->findProperty(kwHoTextY), nullptr);
    HiddenObjectItem item(globalScene);
    item.panelX = 300.0f;
    item.panelY = 700.0f;
    element->pickInfo->item = &item;
    EXPECT_EQ(number(*element->findProperty(kwHoTextX)), 300.0f);
    EXPECT_EQ(number(*element->findProperty(kwHoTextY)), 700.0f);

    // Item names keep at most 63 bytes, never half a character.
    std::string longName(62, 'n');
    item.setName((longName + "\xC3\xA9").c_str());
    EXPECT_EQ(std::string(item.name), longName);
    item.setName(std::string(100, 'm').c_str());
    EXPECT_EQ(std::string(item.name).size(), 63u);
    // The scene's item list goes with the scene.
    globalScene->hoItems.append(new HiddenObjectItem(globalScene));
}

} // namespace
