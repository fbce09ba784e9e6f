#pragma once
// A headless game over content that a suite writes (scene lists, scene files, scripts, pictures by
// ImageMagick) and packs with Info-ZIP into password archives: its window, its context, and the world that
// the context makes and starts.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/system/KSystem.h"
#include "engine/window/KInput.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptTask.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "tests/game/script/ScriptTrace.h"
#include "tests/support/HoGameTestSupport.h"
#include "tests/support/KGraphicTestSupport.h"

namespace worldtest {

class WorldGameTest : public lftest::HeadlessGameTest {
protected:
    // The world that the small game's context made and started. From then on what the scripts print goes
    // to the running suite's trace (ScriptTrace.h) and every other message to the log, as the game logs it.
    HoWorld &start() {
        HoContext &context = startSmallGame();
        context.messageHook = {[](const char *text, void *) {
                                   if (!ScriptTrace::tracePrinted(text))
                                       logMessage("Game: %s", text);
                               },
                               nullptr};
        return *context.world;
    }
    HoWorld &world() { return *game->context->world; }
    void TearDown() override {
        pointerSynthesisActive = synthesizedPointerDown = false;
        lftest::HeadlessGameTest::TearDown();
    }

    // The mouse over the design point, through the engine's pointer synthesis (on until the test ends).
    void pointAt(float x, float y) {
        const ScreenValues &screen = screenValues;
        pointerSynthesisActive = true;
        synthesizedPointerX = int32_t(std::lround((x - (normalModeActive ? 0.0f : screen.viewOffsetX)) * screen.artScale));
        synthesizedPointerY = int32_t(std::lround(y * screen.artScale));
    }
    // One step with a click at the design point (the button goes down and is latched).
    void clickAt(float x, float y) {
        pointAt(x, y);
        HoInputLatches &input = game->context->input;
        input.buttonDown[kPrimaryButton] = input.buttonPressed[kPrimaryButton] = 1;
        world().frame();
        input.buttonDown[kPrimaryButton] = 0;
    }

    // "data/scenes.cfg" listing the entries in order.
    void writeSceneList(const std::vector<std::string> &entries) {
        std::string text;
        for (const std::string &entry : entries)
            text += "scene=" + entry + "\n";
        archives->write("data/scenes.cfg", text);
    }
    // An opaque picture of one colour.
    void writePicture(const std::string &name, int w, int h, uint32_t argb = 0xFFFFFFFFu) {
        std::filesystem::create_directories((archives->content() / name).parent_path());
        ASSERT_TRUE(picturetest::writeImage(archives->content() / name, w, h,
                                            std::vector<uint32_t>(size_t(w) * h, argb)));
    }

    ScriptVariable *variable(HoScene *scene, const char *name) {
        return scene ? findVariable(&scene->script, name) : nullptr;
    }
    ScriptVariable *globalVariable(const char *name) { return findVariable(world().globalContext(), name); }
    static std::string textOf(const ScriptVariable *variable) {
        const ScriptValue *value = variable ? variable->value : nullptr;
        return value && value->type == kScriptText && value->text() ? value->text() : "<none>";
    }
    static float numberOf(const ScriptVariable *variable) {
        const ScriptValue *value = variable ? variable->value : nullptr;
        return value && value->type == kScriptNumber ? value->number : -999.0f;
    }
    // The function of the context when its scripts or the engine made it; nothing is made.
    static ScriptFunction *functionIn(HoScene *scene, const char *name) {
        for (int32_t i = 0; scene && i < scene->script.functions.count(); ++i) {
            ScriptFunction *function = scene->script.functions[i];
            if (function->name && std::string(function->name) == name)
                return function;
        }
        return nullptr;
    }
};

// A stand-in for an element handler's declaration: in the probe of a scene's input pass it only raises
// its element's reaction flag.
template <uint8_t SceneElement::*Flag>
void declareReaction(ScriptContext *context, ScriptStatement *) {
    HoWorld *world = context->world;
    SceneElement *element = world->currentTask ? world->currentTask->element : nullptr;
    if (world->probeMode && element)
        element->*Flag = 1;
}

// A native that counts its calls, for hooks the engine runs.
struct CallCounter {
    int calls = 0;
    static void count(void *data, ScriptStatement *) { ++static_cast<CallCounter *>(data)->calls; }
    void bindTo(ScriptFunction *function) {
        function->native = &CallCounter::count;
        function->nativeData = this;
    }
};

} // namespace worldtest
