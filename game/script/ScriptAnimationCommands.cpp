#include "game/script/ScriptAnimationCommands.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "game/scene/HoScene.h"
#include "game/scene/PointList.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneGroup.h"
#include "game/script/PendingBlock.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

// Animation times are seconds stored as negative hundredths: the frames run through negative numbers.
constexpr float kFramesPerSecond = -100.0f;
// A group's two numbers count tenths of a second.
constexpr int32_t kGroupFramesPerNumber = -10;
constexpr float kShortestCurve = 0.01f;

void keepWorldBusy(ScriptContext *context, bool fx) {
    if (!fx)
        ++context->world->busyCount;
}

// animate: an element from `from` to `to` (default: from) seconds at the step; every member of a group
// over the group's own two numbers; anything else runs the block at once.
void animate(ScriptContext *context, ScriptStatement *statement, bool fx) {
    constexpr int32_t kBlock = 4;
    if (SceneGroup *group = groupParam(context, statement, 0)) {
        for (int32_t i = 0; i < group->members.count(); ++i) {
            group->members[i]->startAnimation(group->first * kGroupFramesPerNumber,
                                              group->second * kGroupFramesPerNumber, 1.0f, fx,
                                              makePendingBlock(context, statement, kBlock, fx));
        }
        return;
    }
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element) {
        runBlockParam(context, statement, kBlock);
        return;
    }
    const float from = numberParam(context, statement, 1, 0.0f);
    const int32_t start = roundToInt(from * kFramesPerSecond);
    const int32_t end = roundToInt(numberParam(context, statement, 2, from) * kFramesPerSecond);
    element->startAnimation(start, end, numberParam(context, statement, 3, 1.0f), fx,
                            makePendingBlock(context, statement, kBlock, fx));
    if (start < 0)
        keepWorldBusy(context, fx);
}

// after_animate: the block waits for the end of the element's animation cycle.
void afterAnimate(ScriptContext *context, ScriptStatement *statement, bool fx) {
    keepWorldBusy(context, fx);
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element)
        return;
    if (element->cycleEndBlock)
        freePendingBlock(element->cycleEndBlock);
    element->cycleEndBlock = makePendingBlock(context, statement, 1, fx);
    element->cycleWait = 1;
    element->cycleFx = fx ? 1 : 0;
}

void fade(ScriptContext *context, ScriptStatement *statement, bool fadeIn, bool fx) {
    constexpr int32_t kBlock = 2;
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element) {
        runBlockParam(context, statement, kBlock);
        return;
    }
    const int32_t ticks = secondsToTicks(numberParam(context, statement, 1, 0.0f));
    element->startFade(ticks, fadeIn, fx, makePendingBlock(context, statement, kBlock, fx));
    keepWorldBusy(context, fx);
}

// The control points of a curve, as x and y numbers; items that are not numbers count as 0.
struct CurvePoints {
    std::vector<float> x, y;
};

// The point at u of the curve through the points (de Casteljau's construction, from scratch), with the
// work copy kept by the caller so that one curve allocates once.
void curvePoint(const CurvePoints &points, float u, CurvePoints &work, float &x, float &y) {
    work = points;
    for (size_t level = points.x.size(); level >= 2; --level) {
        for (size_t j = 0; j + 1 < level; ++j) {
            work.x[j] += (work.x[j + 1] - work.x[j]) * u;
            work.y[j] += (work.y[j + 1] - work.y[j]) * u;
        }
    }
    x = work.x[0];
    y = work.y[0];
}

PointList *newTrack(HoWorld *world, HoScene *scene, SceneElement *element, ScriptValue *slot, int32_t keys) {
    PointList *track = world->scenePools.tracks.allocate();
    track->init(element, slot, keys, world->scenePools.trackFrames, world->scenePools.trackValues);
    scene->tracks.append(track);
    return track;
}

// Checks the parameters in order, the first failing one reported; null when one fails.
const PtrArray<ScriptValue> *curveArray(ScriptContext *context, ScriptStatement *statement) {
    if (!elementParam(context, statement, 0)) {
        reportCommandError(context, "Prvi parametar mora biti element koji ce se animirat");
        return nullptr;
    }
    const ScriptValue *array = commandParam(context, statement, 1);
    if (!array || array->type != kScriptArray || !array->pointer) {
        reportCommandError(context, "Drugi parametar mora biti niz sa x i y koordinatama!");
        return nullptr;
    }
    const auto *items = static_cast<const PtrArray<ScriptValue> *>(array->pointer);
    if (items->count() < 4 || items->count() % 2 != 0) {
        reportCommandError(context, "Drugi parametar mora biti niz najmanje duzine 4 tj. dvije tacke: [x,y,x,y]");
        return nullptr;
    }
    const ScriptValue *duration = commandParam(context, statement, 2);
    // An endless time (or no number at all) is refused like a short one: it would count keys past any end.
    if (!duration || duration->type != kScriptNumber || !(duration->number >= kShortestCurve) ||
        !std::isfinite(duration->number * 100.0f)) {
        reportCommandError(context, "Treci parametar mora biti duzina animacije u sekundama, ne manji od 1 stotinke");
        return nullptr;
    }
    return items;
}

// The curve is sampled into an x and a y track of N + 1 keys (N = the duration in hundredths, cut toward
// zero): frame -N holds the last point and frame 0 the first. The animation then runs the element's
// frame from 0 down to -N, one frame per tick.
void beizerAnimate(ScriptContext *context, ScriptStatement *statement, bool fx) {
    const PtrArray<ScriptValue> *items = curveArray(context, statement);
    if (!items)
        return;
    SceneElement *element = touchedElementParam(context, statement, 0);
    CurvePoints points;
    for (int32_t i = 0; i + 1 < items->count(); i += 2) {
        points.x.push_back(items->get(i) ? items->get(i)->asNumber() : 0.0f);
        points.y.push_back(items->get(i + 1) ? items->get(i + 1)->asNumber() : 0.0f);
    }
    const float hundredths = numberParam(context, statement, 2, 0.0f) * 100.0f;
    const int32_t n = truncToInt(hundredths);
    const float step = 1.0f / hundredths;
    HoWorld *world = context->world;
    HoScene *scene = element->scene ? element->scene : context->scene;
    PointList *xTrack = newTrack(world, scene, element, &element->x, n + 1);
    PointList *yTrack = newTrack(world, scene, element, &element->y, n + 1);
    CurvePoints work;
    float u = 1.0f;
    int32_t frame = -n;
    for (int32_t i = 0; i <= n; ++i) {
        if (i == n)
            u = 0.0f;
        float x = 0.0f, y = 0.0f;
        curvePoint(points, u, work, x, y);
        xTrack->addKey(frame, x);
        yTrack->addKey(frame, y);
        element->frameCount = frame;
        ++frame;
        u -= step;
    }
    element->startAnimation(0, -n, 1.0f, fx, makePendingBlock(context, statement, 3, fx));
}

} // namespace

void scriptAnimate(ScriptContext *context, ScriptStatement *statement) {
    animate(context, statement, false);
}

void scriptAnimateFx(ScriptContext *context, ScriptStatement *statement) {
    animate(context, statement, true);
}

void scriptAfterAnimate(ScriptContext *context, ScriptStatement *statement) {
    afterAnimate(context, statement, false);
}

void scriptAfterAnimateFx(ScriptContext *context, ScriptStatement *statement) {
    afterAnimate(context, statement, true);
}

void scriptFadein(ScriptContext *context, ScriptStatement *statement) {
    fade(context, statement, true, false);
}

void scriptFadeinFx(ScriptContext *context, ScriptStatement *statement) {
    fade(context, statement, true, true);
}

void scriptFadeout(ScriptContext *context, ScriptStatement *statement) {
    fade(context, statement, false, false);
}

void scriptFadeoutFx(ScriptContext *context, ScriptStatement *statement) {
    fade(context, statement, false, true);
}

void scriptBeizerAnimate(ScriptContext *context, ScriptStatement *statement) {
    beizerAnimate(context, statement, false);
}

void scriptBeizerAnimateFx(ScriptContext *context, ScriptStatement *statement) {
    beizerAnimate(context, statement, true);
}
