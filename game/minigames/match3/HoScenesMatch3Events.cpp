// How the match-three board talks back to its script: events that pass a figure's six numbers into the
// formal parameters that the script declares, the hint that wiggles a movable figure after a pause, and
// "match3_hintPosition", which tells the script where that figure stands.

#include "game/HoGameSettings.h"
#include "game/minigames/match3/HoScenesMatch3Effects.h"
#include "game/minigames/match3/Match3Cell.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptExecution.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptResolve.h"

namespace {

constexpr int32_t kEventValues = 6;
constexpr float kReshuffleWithoutHints = 500.0f;

} // namespace

// The values stand in the formals for the call only: a nested event gets its own and the caller's come
// back afterwards.
void HoScenesMatch3::runFigureEvent(ScriptFunction *event, Match3Figure *figure) {
    if (!figure)
        return;
    const float numbers[kEventValues] = {
        float(uint32_t(figure->type)),
        figure->templateIndex,
        figure->screenX,
        figure->screenY,
        figure->cell ? float(figure->cell->column) : -1.0f,
        figure->cell ? float(figure->cell->row) : -1.0f,
    };
    ScriptValue values[kEventValues];
    for (int32_t i = 0; i < kEventValues; ++i)
        values[i].setNumber(numbers[i]);
    runNamedHookWithValues(event, values, kEventValues);
}

void HoScenesMatch3::runPlainEvent(ScriptFunction *event) {
    callScriptFunction(event, false, nullptr);
}

void HoScenesMatch3::hintStep() {
    const float time = hintTime();
    if (time != 0.0f && hintTimer >= time) {
        Match3Figure *figure = findMove();
        if (figure && figure->effects.empty() && !figure->moving && !figure->is(Match3Figure::kPinned))
            pushFigureEffect(figure, new EffectShake(this, figure, 5, 30.0f));
        hintTimer = 0.0f;
    } else if (time == 0.0f && hintTimer > kReshuffleWithoutHints) {
        findMove();
        hintTimer = 0.0f;
    }
    hintTimer += 1.0f;
}

void HoScenesMatch3::nativeHintPosition(void *data, ScriptStatement *call) {
    auto *scene = static_cast<HoScenesMatch3 *>(data);
    // The search may reshuffle, and the reshuffle runs events.
    ++scene->working_;
    Match3Figure *figure = nullptr;
    if (scene->propertiesRead) {
        const bool stepLeft = scene->tutorialSteps[0] || scene->tutorialSteps[1] || scene->tutorialSteps[2];
        figure = scene->tutorialActive && stepLeft ? scene->tutorialHintFigure() : scene->findMove();
    }
    float answers[3] = {0.0f, 0.0f, 0.0f};
    if (figure) {
        scene->computeScreenPlacement(figure);
        answers[0] = 1.0f;
        answers[1] = figure->screenX + screenValues.viewOffsetX;
        answers[2] = figure->screenY + screenValues.viewOffsetY;
    }
    for (int32_t i = 0; call && i < 3 && i + 1 < call->paramCount(); ++i) {
        if (call->params[i + 1].type == kScriptNone)
            continue;
        if (ScriptValue *target = resolveValue(&scene->script, &call->params[i + 1], true))
            target->setNumber(answers[i]);
    }
    --scene->working_;
}
