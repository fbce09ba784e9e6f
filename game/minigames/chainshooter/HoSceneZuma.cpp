#include "game/minigames/chainshooter/HoSceneZuma.h"

#include <utility>

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/minigames/chainshooter/HoRenderImage.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptFunction.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"

namespace {

SceneElement *withRenderable(SceneElement *element) {
    return element && element->renderable ? element : nullptr;
}

// The x / y of the element entries in order; other entries are no control points.
std::vector<ScreenPoint> controlPointsOf(const PtrArray<ScriptValue> *entries) {
    std::vector<ScreenPoint> controls;
    for (int32_t i = 0; i < entries->count(); ++i) {
        const ScriptValue *entry = entries->get(i);
        if (!entry || entry->type != kScriptElement || !entry->pointer)
            continue;
        const auto *element = static_cast<const SceneElement *>(entry->pointer);
        controls.push_back({element->x.asNumber(), element->y.asNumber()});
    }
    return controls;
}

bool samePoints(const std::vector<ScreenPoint> &a, const std::vector<ScreenPoint> &b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    }
    return true;
}

} // namespace

float HoSceneZuma::speedAccumulator = 0.0f;

HoSceneZuma::HoSceneZuma(HoWorld *owner) : HoScene(owner) {
    init();
}

HoSceneZuma::~HoSceneZuma() {
    reset(false);
}

void HoSceneZuma::init() {
    setUp = false;
    path.clear();
    pathArray = kinds = alternates = nullptr;
    gun = nullptr;
    flyingBall = nullptr;
    placeholder = new ChainBall(this, nullptr, ChainBall::kPlaceholder, -1);
    inserting = false;
    bombTemplate = slowTemplate = nullptr;
    startOffset = kStartOffset;
    launched = 0.0f;
    shotVelocityX = shotVelocityY = 1.0f;
    insertIndex = -1;
    currentPlace = nextPlace = nullptr;
    currentKind = 0;
    nextKind = 1;
    slowTimer = 0.0f;
    hitPoint = {};
    flightSteps = flightTotal = 0;
    growth = 0.0f;
    refusedControls_.clear();
    pathWarned_ = false;

    bindNative("zuma_reset", &script, &HoSceneZuma::nativeReset, this);
    const struct {
        MinigameSetting *setting;
        const char *name;
    } numbers[] = {
        {&enable, "#zuma_enable"},
        {&specialChance, "#zuma_special_chance"},
        {&bombRadius, "#zuma_bomb_radius"},
        {&slowDuration, "#zuma_slow_duration"},
        {&bombChance, "#zuma_bomb_chanse"},
        {&slowChance, "#zuma_slow_chanse"},
        {&startSpeed, "#zuma_start_speed"},
        {&normalSpeedAfter, "#zuma_normal_speed_after"},
        {&normalSpeed, "#zuma_normal_speed"},
        {&backwardSpeed, "#zuma_backward_speed"},
        {&bulletSpeed, "#zuma_bullet_speed"},
    };
    for (const auto &entry : numbers)
        entry.setting->bindWithDefault(&script, entry.name);
    specialParticle.bind(&script, "#zuma_special_particle");
    destroyingParticle.bind(&script, "#zuma_destroying_particle");
}

// Asked for while the game's step runs (by a script event), the reset waits for the next update: the
// step is walking the balls that the reset frees.
void HoSceneZuma::nativeReset(void *data, ScriptStatement *) {
    auto *scene = static_cast<HoSceneZuma *>(data);
    if (scene->updating_)
        scene->resetPending_ = true;
    else
        scene->reset(true);
}

void HoSceneZuma::reset(bool reinit) {
    if (!inserting)
        delete placeholder;
    placeholder = nullptr;
    chain.deleteAll();
    dying.deleteAll();
    delete flyingBall;
    flyingBall = nullptr;
    path.clear();
    renderer_.remove();
    if (reinit)
        init();
}

void HoSceneZuma::update() {
    if (resetPending_) {
        resetPending_ = false;
        reset(true);
    }
    HoScene::update();
    if (!setUp) {
        runSetUp();
        return;
    }
    updating_ = true;
    for (int32_t i = 0; i < chain.count(); ++i)
        chain[i]->update();
    for (int32_t i = 0; i < dying.count(); ++i)
        dying[i]->update();
    if (gun) {
        const ScreenPoint pointer = world->scenePointer();
        gun->angle.setNumber(headingDegrees(pointer.x - gun->x.asNumber(), pointer.y - gun->y.asNumber()));
    }
    if (enable.number() != 0.0f) {
        moveChain(chainMove());
        flyShot();
        stepDying();
        if (world->clicks.clicked)
            fire();
        if (world->context && world->context->input.buttonPressed[kSecondaryButton])
            swap();
    }
    if (flyingBall)
        flyingBall->update();
    updating_ = false;
}

void HoSceneZuma::runSetUp() {
    if (!pathArray) {
        const ScriptVariable *points = findVariable(&script, "#zuma_main_points");
        pathArray = arrayIn(points ? points->value : nullptr);
    }
    if (!kinds) {
        // Two kinds at least: the gun shows two balls.
        const ScriptVariable *balls = findVariable(&script, "$ball");
        const TemplateArrays arrays = readTemplateArrays(balls ? balls->value : nullptr);
        if (templateCount(arrays.kinds) >= 2) {
            kinds = arrays.kinds;
            alternates = arrays.alternates;
        }
    }
    renderer_.install(this, &HoRenderImage::make);
    if (!currentPlace || !nextPlace) {
        currentPlace = findElement("place_00");
        nextPlace = findElement("place_01");
    }
    if (!gun)
        gun = findElement("gun");
    if (path.pointCount() == 0 && pathArray)
        buildPath();
    if (!pathArray || !kinds || !renderElement() || !gun || !currentPlace || !nextPlace || path.pointCount() == 0)
        return;
    bombTemplate = withRenderable(findElement("bomb"));
    slowTemplate = withRenderable(findElement("slow"));
    currentKind = 0;
    nextKind = 1;
    showKinds();
    setUp = true;
}

// A path must reach beyond the point where balls enter; one that does not is refused once per set of
// control points, so a refused path is not rebuilt every step.
void HoSceneZuma::buildPath() {
    std::vector<ScreenPoint> controls = controlPointsOf(pathArray);
    if (controls.size() < 2 || samePoints(controls, refusedControls_))
        return;
    if (path.build(controls) && path.pointCount() > startOffset + 1)
        return;
    if (!pathWarned_)
        logMessage("Game: the path of scene %s has %d points, too few for balls entering at point %d; the chain "
                   "shooter waits for a longer one, WARNING",
                   identifier ? identifier : "", path.pointCount(), startOffset);
    pathWarned_ = true;
    path.clear();
    refusedControls_ = std::move(controls);
}

void HoSceneZuma::swap() {
    if (flyingBall)
        return;
    std::swap(currentKind, nextKind);
    showKinds();
}

void HoSceneZuma::showKinds() {
    showTemplate(currentPlace, templateAt(kinds, currentKind));
    showTemplate(nextPlace, templateAt(kinds, nextKind));
}

// The last kind is never drawn; when no kind but the next one is left to draw, the same kind comes again.
void HoSceneZuma::reload() {
    if (!currentPlace || currentPlace->visible)
        return;
    const int32_t span = templateCount(kinds) - 1;
    int32_t drawn = pickIndex(span);
    while (span >= 2 && drawn == nextKind)
        drawn = pickIndex(span);
    currentKind = nextKind;
    nextKind = drawn;
    showKinds();
    currentPlace->visible = 1;
}
