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
