#include "game/minigames/match3/HoScenesMatch3.h"

#include "game/minigames/match3/BoardFrame.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

HoScenesMatch3 *sceneOf(void *data) {
    return static_cast<HoScenesMatch3 *>(data);
}

// Argument i (from 1) of a native's call, resolved; null when the call does not give it.
ScriptValue *argumentOf(HoScenesMatch3 *scene, ScriptStatement *call, int32_t i) {
    ScriptValue *value = getStatementParam(&scene->script, call, i);
    return value && value->type != kScriptNone ? value : nullptr;
}

// Arguments 1..count as whole numbers; false unless each is a number.
bool wholeArguments(HoScenesMatch3 *scene, ScriptStatement *call, int32_t *values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        ScriptValue *value = getStatementNumberParam(&scene->script, call, i + 1);
        if (!value)
            return false;
        values[i] = truncToInt(value->number);
    }
    return true;
}

} // namespace

HoScenesMatch3::HoScenesMatch3(HoWorld *owner) : HoScene(owner) {
    fullReset();
}

HoScenesMatch3::~HoScenesMatch3() {
    freeBoard();
}

void HoScenesMatch3::fullReset() {
    movingSpeedSetting.unbind();
    propertiesRead = false;
    cols = rows = 0;
    pressedFigure = selectedFigure = secondFigure = hoveredFigure = nullptr;
    for (Match3Figure *&step : tutorialSteps)
        step = nullptr;
    tutorialActive = false;
    tutorialSpawnIndex = 0;
    stepCounter = 0;
    pointerX = pointerY = previousPointerX = previousPointerY = pressX = pressY = 0.0f;
    pressed = released = buttonDown = pointerMoved = pointerRead = false;
    busyUntil = 0;
    hintTimer = 0.0f;
    hintTimeSetting.unbind();
    destroyedCount = 0;
    runningShake = nullptr;
    thunderboltFigure = nullptr;
    selectionTemplate = explosionTemplate = hintSpecialTemplate = nullptr;
    lastFailure_.clear();
    loadPatternTable();
    bindNatives();
}

void HoScenesMatch3::bindNatives() {
    static constexpr struct {
        const char *name;
        ScriptNativeHandler handler;
    } kNatives[] = {
        {"match3_reset", nativeReset},
        {"match3_hintPosition", nativeHintPosition},
        {"match3_fieldInputEnable", nativeFieldInputEnable},
        {"match3_skipTutorial", nativeSkipTutorial},
        {"match3_changeFigure", nativeChangeFigure},
    };
    for (const auto &native : kNatives)
        bindNative(native.name, &script, native.handler, this);
    onDroped = findOrCreateFunction("onDroped", &script);
    onClick = findOrCreateFunction("onClick", &script);
    onSelected = findOrCreateFunction("onSelected", &script);
    onMove = findOrCreateFunction("onMove", &script);
    onStartDestroying = findOrCreateFunction("onStartDestroying", &script);
    onDestroyed = findOrCreateFunction("onDestroyed", &script);
    onResetFigures = findOrCreateFunction("onResetFigures", &script);
}

void HoScenesMatch3::freeBoard() {
    // Scene effects point into the board: they go first.
    sceneEffects.destroyAll();
    runningShake = nullptr;
    dropTable.reset();
    dropTableLength = 0;
    figures.reset();
    figureCount = 0;
    cells.reset();
    templates.reset();
    templateCount = 0;
    boardFrame.reset();
    pressedFigure = selectedFigure = secondFigure = hoveredFigure = thunderboltFigure = nullptr;
    for (Match3Figure *&step : tutorialSteps)
        step = nullptr;
    selectionTemplate = explosionTemplate = hintSpecialTemplate = nullptr;
    movingSpeedSetting.unbind();
    hintTimeSetting.unbind();
    propertiesRead = false;
}

void HoScenesMatch3::requestReset(const ScriptValue *table) {
    if (working_ > 0) {
        resetPending_ = true;
        pendingResetTable_ = table ? *table : ScriptValue();
        return;
    }
    freeBoard();
    fullReset();
    if (table)
        readProperties(table);
}

void HoScenesMatch3::runPendingReset() {
    if (!resetPending_)
        return;
    resetPending_ = false;
    ScriptValue table = pendingResetTable_;
    pendingResetTable_.clear();
    requestReset(table.type != kScriptNone ? &table : nullptr);
}

float HoScenesMatch3::movingSpeed() const {
    return movingSpeedSetting.number();
}

float HoScenesMatch3::hintTime() const {
    return hintTimeSetting.number();
}

double HoScenesMatch3::worldTime() const {
    return world->runningTime;
}

ParticleEmitter *HoScenesMatch3::acquireEmitter() {
    return world->renderPools.acquireEmitter();
}

void HoScenesMatch3::recycleEmitter(ParticleEmitter *emitter) {
    world->renderPools.recycleEmitter(emitter);
}

Match3Cell *HoScenesMatch3::cellAt(int32_t column, int32_t row) const {
    if (!cells || column < 0 || column >= cols || row < 0 || row >= rows)
        return nullptr;
    return &cells[size_t(row) * size_t(cols) + size_t(column)];
}

void HoScenesMatch3::update() {
    runPendingReset();
    ++working_;
    HoScene::update();
    const bool down = readButton();
    pressed = down != buttonDown && down;
    released = down != buttonDown && !down;
    ++stepCounter;
    buttonDown = down;
    if (!propertiesRead) {
        readProperties(nullptr);
    } else {
        gateTutorialCells();
        if (busyUntil < stepCounter) {
            hoverStep();
            pointerStep();
            if (pressed)
                pressStep();
            if (buttonDown && pointerMoved && pressedFigure)
                dragStep();
            if (released)
                releaseStep();
        }
        boardStep();
    }
    --working_;
}

void HoScenesMatch3::draw(float alpha, SceneGroup *group) {
    ++working_;
    HoScene::draw(alpha, group);
    if (propertiesRead)
        drawBoard();
    stepSceneEffects();
    --working_;
}

// Natives.

void HoScenesMatch3::nativeReset(void *data, ScriptStatement *call) {
    HoScenesMatch3 *scene = sceneOf(data);
    scene->requestReset(argumentOf(scene, call, 1));
}

void HoScenesMatch3::nativeFieldInputEnable(void *data, ScriptStatement *call) {
    HoScenesMatch3 *scene = sceneOf(data);
    int32_t values[3];
    if (!wholeArguments(scene, call, values, 3))
        return;
    ScriptValue *flag = getStatementNumberParam(&scene->script, call, 3);
    if (Match3Cell *cell = values[0] >= 0 ? scene->cellAt(values[0], values[1]) : nullptr)
        cell->inputEnabled = flag->number > 0.0f;
}

void HoScenesMatch3::nativeChangeFigure(void *data, ScriptStatement *call) {
    HoScenesMatch3 *scene = sceneOf(data);
    int32_t values[4]; // colour, type, column, row
    if (!wholeArguments(scene, call, values, 4) || values[2] < 0)
        return;
    Match3Cell *cell = scene->cellAt(values[2], values[3]);
    if (!cell || !cell->occupied)
        return;
    for (int32_t i = 0; i < scene->templateCount; ++i) {
        const FigureTemplate &kind = scene->templates[i];
        if (kind.colour == values[0] && kind.type == values[1]) {
            auto *change = new EffectChangeFigure(scene, cell->figure, kind, i);
            if (scene->working_ > 0)
                change->heldUntilStep = scene->stepCounter + 1;
            scene->pushFigureEffect(cell->figure, change);
            return;
        }
    }
}
