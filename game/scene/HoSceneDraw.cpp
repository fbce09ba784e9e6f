// Drawing a scene: the view of its camera, then its elements from the back of the sorted list to the
// front, each with its crop rectangle, its picture (the frame its animation or the world clock asks
// for, cut and swayed), its video's frame, its particles or its own drawing, and its text; then the
// highlight of the element being moved and the world's own emitters.
//
// Everything goes through the context's shared batch, which is flushed before each change of clip
// rectangle, before videos and text and at the end, so that what lies behind is drawn first.

#include <cmath>

#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"
#include "game/HoContext.h"
#include "game/HoGameSettings.h"
#include "game/HoOutlinedText.h"
#include "game/resources/HoVideo.h"
#include "game/scene/ElementMedia.h"
#include "game/scene/ElementPickInfo.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/ParticleEmitter.h"
#include "game/scene/SceneElement.h"
#include "game/scene/SceneView.h"
#include "game/scene/TextInputField.h"
#include "game/scene/WaveQuad.h"
#include "game/util/ConvertText.h"
#include "game/util/InternTable.h"
#include "game/util/MathTables.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

constexpr float kSmallestPictureOpacity = 0.001f;
constexpr float kSmallestTextOpacity = 0.0001f;
constexpr float kMoveHighlightOpacity = 0.1f;
constexpr int32_t kTextQuadPoints = 4;
// How an element's text sits in its box.
constexpr int32_t kElementTextAlignment = kTextStyleCentered;

// The element's own text, else the localised text of its key, in the font's encoding.
const char *textOf(const SceneElement *element, KText *font, const HoContext *context) {
    const int32_t encoding = font->getEncoding();
    if (element->text.type == kScriptText && element->text.text()) {
        const char *own = element->text.text();
        const bool convertible = encoding >= kTextEncoding8Bit && encoding <= kTextEncodingUtf32;
        return convertible ? convertText(own, encoding) : own;
    }
    if (element->textKey.type == kScriptText && context)
        return context->getLocalizedText(element->textKey.text(), encoding);
    return nullptr;
}

// The element's text box in design units: its sides and the y its text is laid out from (the first
// line's top, or the middle of a measured box's lines).
struct ElementTextBox {
    float left, right, y;
};

ElementTextBox textBoxOf(const SceneElement *element) {
    const float w = element->w.asNumber(), h = element->h.asNumber();
    const float left = element->textOffsetX.asNumber() + element->absX.asNumber() - element->pivotX.asNumber() * w;
    const float y = element->textOffsetY.asNumber() + element->absY.asNumber();
    return {left, left + w, element->measuredBox ? y : y - element->pivotY.asNumber() * h};
}

// Cuts the quad and the source between the fractions that the cut slots hold (when they were ever asked
// for): across, the edges from corner 0 to 1 and from 3 to 2; down, those from 0 to 3 and from 1 to 2.
void cutBetween(const ScriptValue *cut, bool across, QuadCorners &quad, float &low, float &high) {
    if (!cut)
        return;
    const float from = cut[0].asNumber(), to = cut[1].asNumber();
    const size_t a0 = 0, a1 = across ? 1 : 3, b0 = across ? 3 : 1, b1 = 2;
    const QuadCorners whole = quad;
    quad[a0] = lerp(whole[a0], whole[a1], from);
    quad[a1] = lerp(whole[a0], whole[a1], to);
    quad[b0] = lerp(whole[b0], whole[b1], from);
    quad[b1] = lerp(whole[b0], whole[b1], to);
    const float start = low, end = high;
    low = lerp(start, end, from);
    high = lerp(start, end, to);
}

void applyCuts(const SceneElement &element, QuadCorners &quad, FrameRect &source) {
    cutBetween(element.cutX, true, quad, source.left, source.right);
    cutBetween(element.cutY, false, quad, source.top, source.bottom);
}

// The quad of an element's text: its picture's corners, or its first hit polygon when it has one, which
// must then have four points.
bool textQuadOf(const SceneElement &element, float corners[8]) {
    if (element.polygonCount <= 0 || !element.polygons) {
        const QuadCorners quad = rotatedQuadCorners(element);
        for (int32_t i = 0; i < 4; ++i) {
            corners[i * 2] = quad[size_t(i)].x;
            corners[i * 2 + 1] = quad[size_t(i)].y;
        }
        return true;
    }
    const ElementPolygon &polygon = element.polygons[0];
    if (polygon.pointCount != kTextQuadPoints || !polygon.points)
        return false;
    const int32_t turn = angleToTableIndex(element.absAngle.asNumber());
    const float c = cosTable[turn], s = sinTable[turn];
    const float x = element.absX.asNumber(), y = element.absY.asNumber();
    for (int32_t i = 0; i < kTextQuadPoints; ++i) {
        const PolygonPoint &point = polygon.points[i];
        corners[i * 2] = point.x * c + point.y * s + x;
        corners[i * 2 + 1] = point.y * c - point.x * s + y;
    }
    return true;
}

// What one draw of a scene carries from element to element.
class SceneDrawer {
public:
    SceneDrawer(HoScene &scene, float alpha)
        : scene_(scene), world_(scene.world), context_(scene.world->context), game_(gameOfScene(scene)),
          view_(computeSceneView(scene)), mapping_(game_, view_), alpha_(alpha),
          runtimeLoading_(scene.loadsPicturesWhenDrawn()),
          animateFrames_(scene.world->names().findInterned("animate_frames")) {}

    void begin() {
        if (game_) {
            game_->setView(view_.x, view_.y, view_.zoom, view_.angle);
            game_->setClipRect(false, 0.0f, 0.0f, 0.0f, 0.0f);
        }
    }

    // The members from the last to the first: the lowest draw key comes last, in front.
    void drawMembers(const PtrArray<SceneElement> &members) {
        for (int32_t i = members.count() - 1; i >= 0; --i) {
            if (SceneElement *element = members[i])
                drawElement(element);
        }
    }

    // The element being moved or turned is drawn once more, faintly and adding light.
    void drawMoveHighlight() {
        SceneElement *element = highlight_.element;
        if (!element || !element->renderable)
            return;
        HoRenderable &renderable = *element->renderable;
        flush();
        const uint8_t ownBlend = renderable.blendMode;
        renderable.blendMode = kBlendAdditive;
        renderable.draw(*element, kMoveHighlightOpacity, highlight_.source, highlight_.quad);
        flush();
        renderable.blendMode = ownBlend;
    }

    void end() {
        flush();
        world_->drawSceneEmitters(&scene_);
        if (game_) {
            game_->setClipRect(false, 0.0f, 0.0f, 0.0f, 0.0f);
            game_->setView(0.0f, 0.0f, 1.0f, 0.0f);
        }
    }

private:
    void flush() {
        if (context_)
            context_->flushBatch();
    }

    void drawElement(SceneElement *element) {
        if (!element->visible) {
            if (runtimeLoading_ && element->picturesLoaded)
                unloadElementImages(element);
            return;
        }
        if (runtimeLoading_ && !element->picturesLoaded)
            loadElementImages(element);
        const float opacity = alpha_ * element->alpha.asNumber();
        HoRenderable *renderable = element->renderable;
        if (renderable && renderable->kind == kRenderableDrawableImage) {
            // The erasable picture draws itself whole.
            renderable->draw(*element, opacity, FrameRect(), rotatedQuadCorners(*element));
            return;
        }
        if (!useCropOf(element))
            return;
        if (element->drawCallback)
            element->drawCallback(element->drawCallbackUser);
        else if (element->video)
            drawVideo(element, opacity);
        else if (element->isParticle)
            drawParticles(element, opacity);
        else if (renderable && opacity >= kSmallestPictureOpacity)
            drawPicture(element, *renderable, opacity);
        // The field takes the draw's alpha alone: the element's own does not dim what is typed.
        if (element->textInput) {
            flush();
            element->textInput->draw(alpha_);
        }
        drawText(element, opacity);
    }

    // Switches to the element's crop rectangle when it differs from the one in use; false while the crop
    // shows nothing of its members.
    bool useCropOf(const SceneElement *element) {
        if (element->cropElement != crop_) {
            flush();
            crop_ = element->cropElement;
            cropRect_ = crop_ ? mapping_.boundsOf(rotatedQuadCorners(*crop_)) : PixelRect();
            restoreCrop();
        }
        return !crop_ || !cropRect_.empty();
    }

    void restoreCrop() {
        if (crop_ && !cropRect_.empty())
            setClip(cropRect_);
        else if (game_)
            game_->setClipRect(false, 0.0f, 0.0f, 0.0f, 0.0f);
    }

    void setClip(const PixelRect &rect) {
        if (game_)
            game_->setClipRect(true, rect.x1, rect.y1, rect.x2, rect.y2);
    }

    // The video's latest frame, whole, stretched onto the element's rectangle; nothing until the clip now
    // open has given its first frame. The picture is the video's own, not a batched texture, so what the
    // batch holds is drawn first.
    void drawVideo(SceneElement *element, float opacity) {
        HoVideo *video = element->video;
        if (!video->clip || !video->hasFrame())
            return;
        flush();
        KGraphic *picture = video->getFrameGraphic();
        if (!picture)
            return;
        const float w = element->w.asNumber(), h = element->h.asNumber();
        const float left = element->absX.asNumber() - element->pivotX.asNumber() * w;
        const float top = element->absY.asNumber() - element->pivotY.asNumber() * h;
        picture->drawImageRectStretched(0.0f, 0.0f, float(video->pictureWidth()), float(video->pictureHeight()), left,
                                        top, left + w, top + h, opacity, 0.0f, false, false, 0.0f, 0.0f);
    }

    void drawParticles(SceneElement *element, float opacity) {
        for (ParticleEmitter *emitter : {element->fadingEmitter, element->emitter}) {
            if (emitter && emitter->isAlive())
                emitter->draw(opacity);
        }
    }

    // The frame to show: by default the one the element's own frame animation has reached; with
    // "animate_frames" above 0 the world clock's, below 0 always the first.
    FrameRect frameOf(SceneElement *element, HoRenderable &renderable) {
        const NamedValue *named =
            animateFrames_ ? findOrCreateNamedValue(element->namedValues, animateFrames_, world_->namedValuePool(), false)
                           : nullptr;
        const float setting = named && named->value.type == kScriptNumber ? named->value.number : 0.0f;
        if (setting < 0.0f)
            return renderable.update(0);
        if (setting > 0.0f)
            return renderable.update(world_->tickCounter);
        return renderable.update(roundToInt(element->currentFrame));
    }

    // While the element is listed in the hidden-object list it is cut to its pick record's rectangle (design
    // units of the scene), taken to the screen through the scene's view as the element itself is, so the
    // rectangle stands where the element is drawn in every layout and under every camera.
    bool useListClip(const SceneElement *element) {
        const ElementPickInfo *pick = element->pickInfo;
        if (!pick || !pick->wasListed)
            return false;
        const QuadCorners corners{{{pick->left, pick->top}, {pick->right, pick->top}, {pick->right, pick->bottom},
                                   {pick->left, pick->bottom}}};
        flush();
        setClip(mapping_.boundsOf(corners));
        return true;
    }

    void drawPicture(SceneElement *element, HoRenderable &renderable, float opacity) {
        const bool listClip = useListClip(element);
        FrameRect source = frameOf(element, renderable);
        QuadCorners quad = rotatedQuadCorners(*element);
        applyCuts(*element, quad, source);
        if (isQuadOnScreen(quad, game_ ? game_->settings.wideWidth : screenValues.width))
            drawWaveQuad(*element, quad, renderable, source, opacity);
        if (listClip) {
            flush();
            restoreCrop();
        }
        const ClickState &clicks = world_->clicks;
        if (element == clicks.hover.move || element == clicks.click.move || element == clicks.hover.rotate)
            highlight_ = {element, quad, source};
    }

    void drawText(SceneElement *element, float opacity) {
        if (opacity < kSmallestTextOpacity || !context_)
            return;
        KText *font = context_->getFont(element->fontIndex);
        const char *text = font ? textOf(element, font, context_) : nullptr;
        if (!text)
            return;
        const TextColour colour{element->textRed, element->textGreen, element->textBlue, opacity};
        if (element->textOnQuad) {
            float corners[8];
            if (!textQuadOf(*element, corners))
                return;
            flush();
            font->setColor(colour.red, colour.green, colour.blue, colour.alpha);
            drawOutlinedTextQuad(font, text, corners, element->textSpacing, element->quadFlagA != 0,
                                 element->measuredBox != 0, element->quadFlagB != 0);
            return;
        }
        drawTextBox(element, font, text, colour);
    }

    // The text in the element's box: the outline at half the text's colour while the element is hovered
    // (or forced to look so), else black; none for a thin outline of a text that is not from the UI table.
    void drawTextBox(SceneElement *element, KText *font, const char *text, const TextColour &colour) {
        const ElementTextBox box = textBoxOf(element);
        const bool hovered = element == world_->hoveredElement ||
                             (element->textHoverForce.type == kScriptNumber && element->textHoverForce.number == 1.0f);
        TextColour outline{0.0f, 0.0f, 0.0f, colour.alpha};
        if (hovered)
            outline = {colour.red * 0.5f, colour.green * 0.5f, colour.blue * 0.5f, colour.alpha};
        if (!element->textKeyFromUiTable && element->outlineThickness < 1)
            outline.alpha = 0.0f;
        flush();
        const int32_t shown = roundToInt(element->charsCount.asNumber());
        auto draw = element->measuredBox ? drawOutlinedTextBoxMeasured : drawOutlinedTextBox;
        draw(font, text, box.left, box.right, box.y, kElementTextAlignment, outline, colour, element->outlineThickness, shown,
             element->textSpacing);
    }

    HoScene &scene_;
    HoWorld *world_;
    HoContext *context_;
    HoGame *game_;
    SceneView view_;
    ViewMapping mapping_;
    float alpha_;
    bool runtimeLoading_;
    const char *animateFrames_; // null while no script or element ever named it
    SceneElement *crop_ = nullptr;
    PixelRect cropRect_;
    struct {
        SceneElement *element = nullptr;
        QuadCorners quad{};
        FrameRect source;
    } highlight_;
};

} // namespace

void HoScene::draw(float alpha, SceneGroup *group) {
    SceneDrawer drawer(*this, alpha);
    drawer.begin();
    drawer.drawMembers((group ? group : &allElements)->members);
    drawer.drawMoveHighlight();
    drawer.end();
}

TextExtent HoScene::textExtentOf(const SceneElement *element) const {
    const HoContext *context = world ? world->context : nullptr;
    KText *font = context ? context->getFont(element->fontIndex) : nullptr;
    const char *text = font ? textOf(element, font, context) : nullptr;
    if (!text || element->textOnQuad)
        return {};
    const ElementTextBox box = textBoxOf(element);
    return measureOutlinedTextBox(font, text, box.left, box.right, box.y, kElementTextAlignment,
                                  element->measuredBox != 0, roundToInt(element->charsCount.asNumber()),
                                  element->textSpacing);
}

ScreenPoint HoScene::screenToScene(ScreenPoint pixel) const {
    ScreenPoint point = pixel;
    ViewMapping(gameOfScene(*this), computeSceneView(*this)).toDesign(pixel, point);
    return point;
}
