#include "game/minigames/DisplayNode.h"

#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/RenderRecordPools.h"
#include "game/scene/SceneElement.h"
#include "game/scene/WaveQuad.h"
#include "game/world/HoWorld.h"

namespace {

// Whether the node or one of its ancestors shows the element: binding it again would follow a parent
// cycle for ever.
bool isShownAbove(const DisplayNode *node, const SceneElement *element) {
    for (; node; node = node->parent) {
        if (node->element == element)
            return true;
    }
    return false;
}

const char *nameOf(const HoScene *scene) {
    return scene && scene->identifier ? scene->identifier : "";
}

float wideDesignWidth() {
    if (currentContext && currentContext->game)
        return currentContext->game->settings.wideWidth;
    return lanternfallSettings().wideWidth;
}

// Puts the element's position and the slots computed from it at (x, y), as numbers.
void placeElement(SceneElement *element, float x, float y) {
    element->x.setNumber(x);
    element->y.setNumber(y);
    element->absX.setNumber(x);
    element->absY.setNumber(y);
    element->cx.setNumber(element->centreOffsetX + x);
    element->cy.setNumber(element->centreOffsetY + y);
}

} // namespace

DisplayNode::DisplayNode(HoScene *owner, DisplayNode *parentNode, SceneElement *boundElement)
    : parent(parentNode), scene(owner) {
    if (boundElement)
        bindElement(boundElement);
}

DisplayNode::~DisplayNode() {
    giveBackEmitter();
    deleteChildren();
}

// Emitters come from the world's pools and always go back there, with their particles.
void DisplayNode::giveBackEmitter() {
    if (emitter && emitter->pools)
        emitter->pools->recycleEmitter(emitter);
    emitter = nullptr;
}

void DisplayNode::bindElement(SceneElement *boundElement) {
    giveBackEmitter();
    hasEmitter = 0;
    HoWorld *world = scene ? scene->world : nullptr;
    if (boundElement && boundElement->renderable && boundElement->isParticle && world) {
        emitter = world->renderPools.acquireEmitter();
        emitter->init(boundElement, true, nullptr, boundElement, 0.0f, 0.0f);
        hasEmitter = 1;
    }
    element = boundElement;
    if (!element)
        return;
    width = element->baseWidth;
    height = element->baseHeight;
    angle = element->angle.asNumber();
    z = element->drawOrderKey;
    pivotX = element->pivotX.asNumber();
    pivotY = element->pivotY.asNumber();
    setScaleX(element->sx.asNumber());
    setScaleY(element->sy.asNumber());
    bindChildren();
    sortChildren();
}

// Every element of the template's scene whose parent link names the template becomes a child at the
// same offset from this node as the two elements' centres.
void DisplayNode::bindChildren() {
    HoScene *elementScene = element->scene ? element->scene : scene;
    if (!elementScene)
        return;
    const PtrArray<SceneElement> &elements = elementScene->allElements.members;
    for (int32_t i = 0; i < elements.count(); ++i) {
        SceneElement *candidate = elements[i];
        if (!candidate || candidate->parent != element)
            continue;
        if (isShownAbove(this, candidate)) {
            logMessage("Game: element %s of scene %s is its own ancestor through its parent links; its copy stops "
                       "there, WARNING",
                       candidate->name ? candidate->name : "", nameOf(elementScene));
            continue;
        }
        auto *child = new DisplayNode(scene, this, candidate);
        child->setX(x - element->cx.asNumber() + candidate->cx.asNumber());
        child->setY(y - element->cy.asNumber() + candidate->cy.asNumber());
        addChild(child);
    }
}

void DisplayNode::setActive(uint8_t flag) {
    active = flag;
    for (int32_t i = 0; i < children.count(); ++i)
        children[i]->setActive(flag);
}

float DisplayNode::setAngle(float degrees) {
    return setAndPush(&DisplayNode::angle, &DisplayNode::setAngle, degrees);
}

float DisplayNode::setScaleX(float factor) {
    return setAndPush(&DisplayNode::scaleX, &DisplayNode::setScaleX, factor > 0.0f ? factor : 0.0f);
}

float DisplayNode::setScaleY(float factor) {
    return setAndPush(&DisplayNode::scaleY, &DisplayNode::setScaleY, factor > 0.0f ? factor : 0.0f);
}

float DisplayNode::setX(float value) {
    return setAndPush(&DisplayNode::x, &DisplayNode::setX, value);
}

float DisplayNode::setY(float value) {
    return setAndPush(&DisplayNode::y, &DisplayNode::setY, value);
}

// Each child's field moves by the same difference, through the child's own setter (so its clamp applies
// and its children follow).
float DisplayNode::setAndPush(float DisplayNode::*field, float (DisplayNode::*setter)(float), float value) {
    const float difference = value - this->*field;
    this->*field = value;
    for (int32_t i = 0; i < children.count(); ++i) {
        DisplayNode *child = children[i];
        (child->*setter)(child->*field + difference);
    }
    return value;
}

void DisplayNode::update() {
    if (active && element)
        element->advanceFrame(frame);
    if (fadeSteps > 0) {
        --fadeSteps;
        alpha += fadeDelta;
    }
    stepParticles();
    for (int32_t i = 0; i < children.count(); ++i)
        children[i]->update();
}

void DisplayNode::stepParticles() {
    if (!element || !element->isParticle || !emitter)
        return;
    element->visible = 1;
    const ScriptValue saved[] = {element->x, element->y, element->absX, element->absY, element->cx, element->cy};
    placeElement(element, x, y);
    emitter->update(emitterModeFor(element->mediaSwitch.asNumber(), active != 0));
    if (!emitter->isAlive())
        giveBackEmitter();
    ScriptValue *slots[] = {&element->x, &element->y, &element->absX, &element->absY, &element->cx, &element->cy};
    for (size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
        *slots[i] = saved[i];
}

QuadCorners DisplayNode::quad() const {
    return rotatedQuadCorners(QuadPlacement{x, y, width * scaleX, height * scaleY, pivotX, pivotY, angle});
}

void DisplayNode::draw(float alphaIn) {
    if (!visible)
        return;
    HoRenderable *picture = element ? element->renderable : nullptr;
    if (picture && hasEmitter) {
        // A particle node whose emitter ran dry shows nothing more.
        if (emitter && emitter->isAlive())
            emitter->draw(element->alpha.asNumber() * alphaIn);
    } else if (picture) {
        const QuadCorners corners = quad();
        if (isQuadOnScreen(corners, wideDesignWidth()))
            drawWaveQuad(*element, corners, *picture, picture->update(roundToInt(frame)), alpha * alphaIn);
    }
    for (int32_t i = 0; i < children.count(); ++i)
        children[i]->draw(alphaIn);
}

void DisplayNode::addChild(DisplayNode *child) {
    child->parent = this;
    children.append(child);
}

void DisplayNode::deleteChildren() {
    children.deleteAll();
}

void DisplayNode::sortChildren() {
    sortNodesBy(children, &DisplayNode::z);
}
