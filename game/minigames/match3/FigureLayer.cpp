#include "game/minigames/match3/FigureLayer.h"

#include <cstdint>

#include "engine/graphics/KGraphic.h"
#include "game/HoContext.h"
#include "game/minigames/match3/FigureTemplate.h"
#include "game/minigames/match3/Match3Figure.h"
#include "game/resources/HoTexture.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoSceneImage.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/util/NumericHelpers.h"

namespace {

// The engine's blend factors: source alpha over the inverse source alpha.
constexpr int32_t kBlendSourceAlpha = 4;
constexpr int32_t kBlendInverseSourceAlpha = 5;

// Moves an element to a figure's place on screen while it lives, so that the particles of an emitter that
// follows the element stand at the figure; puts it back afterwards.
class ElementAtFigure {
public:
    ElementAtFigure(SceneElement *element, const Match3Figure &figure)
        : element_(element), x_(element->x), y_(element->y), absX_(element->absX), absY_(element->absY) {
        element->x.setNumber(figure.screenX);
        element->y.setNumber(figure.screenY);
        element->absX.setNumber(figure.screenX);
        element->absY.setNumber(figure.screenY);
    }
    ~ElementAtFigure() {
        element_->x = x_;
        element_->y = y_;
        element_->absX = absX_;
        element_->absY = absY_;
    }
    ElementAtFigure(const ElementAtFigure &) = delete;
    ElementAtFigure &operator=(const ElementAtFigure &) = delete;

private:
    SceneElement *element_;
    ScriptValue x_, y_, absX_, absY_;
};

} // namespace

void FigureLayer::setFromTemplate(HoScenesMatch3 *owner, const FigureTemplate &figureTemplate, int32_t mode) {
    scene = owner;
    releaseEmitter();
    SceneElement *source =
        mode == kForeground && figureTemplate.foreground ? figureTemplate.foreground : figureTemplate.background;
    if (!source || !source->renderable)
        return;
    element = source;
    picture = source->renderable->getTexture();
    active = true;
    animated = mode == kForeground;
    frame = 0;
    counter = 0.0f;
    lifetime = 0.0f;
    lastFrameTime = 0.0;
    emitting = true;
    if (hasParticles())
        bindEmitter();
    computeFrameRect();
}

void FigureLayer::clear() {
    releaseEmitter();
    element = nullptr;
    picture = nullptr;
    active = animated = emitting = false;
    frame = 0;
    counter = lifetime = 0.0f;
    lastFrameTime = 0.0;
    for (float &edge : source)
        edge = 0.0f;
}

void FigureLayer::releaseEmitter() {
    if (emitter && scene)
        scene->recycleEmitter(emitter);
    emitter = nullptr;
}

bool FigureLayer::hasParticles() const {
    return element && element->particleSystem;
}

void FigureLayer::bindEmitter() {
    emitter = scene->acquireEmitter();
    if (!emitter)
        return;
    emitter->init(element, true, nullptr, element, 0.0f, 0.0f);
    if (element->mediaSwitch.asNumber() > 0.5f)
        emitter->preEmit();
}

// While the scene applies its properties the emitters are held: neither bound nor stepped.
void FigureLayer::stepEmitter(const Match3Figure &figure) {
    if (lifetime > 0.0f && counter > lifetime)
        emitting = false;
    counter += 1.0f;
    ElementAtFigure placed(element, figure);
    if (scene->applyingProperties)
        return;
    if (!emitter)
        bindEmitter();
    if (!emitter)
        return;
    if (element->active.asNumber() < 0.0f) {
        emitter->clear();
        element->active.setNumber(0.0f);
    }
    emitter->update(emitting ? roundToInt(2.0f * element->mediaSwitch.asNumber()) : kEmitterAgeOnly);
    if (!emitter->isAlive())
        releaseEmitter();
}

void FigureLayer::draw(const Match3Figure &figure, float angle) {
    if (hasParticles()) {
        drawEmitter(figure);
        return;
    }
    KGraphic *graphic = picture ? picture->picture : nullptr;
    if (!graphic)
        return;
    advanceFrames();
    counter += 1.0f;
    if (lifetime > 0.0f && counter > lifetime) {
        active = false;
        return;
    }
    computeFrameRect();
    // Queued quads go first, and the direct draw leaves no picture bound to the shared batch.
    if (currentContext)
        currentContext->flushBatch();
    graphic->setBlendFactors(kBlendSourceAlpha, kBlendInverseSourceAlpha);
    graphic->setTintColor(1.0f, 1.0f, 1.0f, 1.0f);
    // Through the texture, which finds an atlas picture's region on its page.
    picture->draw(source[0], source[1], source[2], source[3], figure.screenLeft, figure.screenTop, figure.screenRight,
                  figure.screenBottom, 1.0f, angle, false, false, 0.0f, 0.0f);
}

void FigureLayer::drawEmitter(const Match3Figure &figure) {
    if (!emitter)
        return;
    ElementAtFigure placed(element, figure);
    emitter->draw(1.0f);
}

void FigureLayer::sheetOf(int32_t &columns, int32_t &rows, float &framesPerSecond) const {
    columns = rows = 1;
    framesPerSecond = 0.0f;
    HoRenderable *renderable = element ? element->renderable : nullptr;
    if (!renderable || renderable->kind != kRenderableSceneImage)
        return;
    const SpriteSheet &sheet = static_cast<HoSceneImage *>(renderable)->sheet;
    columns = sheet.columns > 1 ? sheet.columns : 1;
    rows = sheet.rows > 1 ? sheet.rows : 1;
    framesPerSecond = sheet.framesPerSecond;
}

// A sheet on an animating layer steps by world time: as many frames as the time since the last step holds
// at the sheet's rate.
void FigureLayer::advanceFrames() {
    int32_t columns, rows;
    float framesPerSecond;
    sheetOf(columns, rows, framesPerSecond);
    const int64_t frameCount = int64_t(columns) * rows;
    if (frameCount < 2 || !animated) {
        frame = 0;
        return;
    }
    const double now = scene->worldTime();
    if (lastFrameTime == 0.0) {
        lastFrameTime = now;
        return;
    }
    const int32_t passed = truncToInt((now - lastFrameTime) * framesPerSecond * 0.001);
    if (passed <= 0)
        return;
    frame = int32_t((int64_t(frame) + passed) % frameCount);
    lastFrameTime = now;
}

void FigureLayer::computeFrameRect() {
    int32_t columns, rows;
    float framesPerSecond;
    sheetOf(columns, rows, framesPerSecond);
    const int32_t width = picture ? truncToInt(picture->width) : 0;
    const int32_t height = picture ? truncToInt(picture->height) : 0;
    const int32_t frameWidth = width / columns, frameHeight = height / rows;
    const int32_t shown = frame >= 0 && frame < columns * rows ? frame : 0;
    source[0] = float((shown % columns) * frameWidth);
    source[1] = float((shown / columns) * frameHeight);
    source[2] = source[0] + float(frameWidth);
    source[3] = source[1] + float(frameHeight);
}
