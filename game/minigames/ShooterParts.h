#pragma once
// What the two shooter minigames share: the places that show a ball template, the renderer that draws
// the game at the depth of the element "render", the template arrays that the scene's script hands
// over, and settings read through their script slots, so that a script change acts at once. The
// match-three board reads its settings and its tables' values through the same pieces.

#include <cstdint>

#include "game/util/NumericHelpers.h"
#include "game/util/PtrArray.h"

class HoScene;
class HoRenderable;
class HoSceneImage;
struct SceneElement;
struct ScriptContext;
struct ScriptValue;

// The place shows the template's picture: the place's own picture is kept as its saved renderable the
// first time; in run-time loading the template's picture takes its references first.
void showTemplate(SceneElement *place, SceneElement *templateElement);

// The renderer that a shooter puts on its element "render": a scene image of the shooter's own class,
// loaded with the element's picture, drawn at the element's depth in place of the picture. The holder
// owns it (the scene owns the holder); the element's use of its texture passes to the renderer and back,
// so the texture is held exactly as long as the element's pictures are loaded.
class SceneRendererHolder {
public:
    using Maker = HoSceneImage *(*)(HoScene *scene);

    SceneRendererHolder() = default;
    ~SceneRendererHolder() { remove(); }
    SceneRendererHolder(const SceneRendererHolder &) = delete;
    SceneRendererHolder &operator=(const SceneRendererHolder &) = delete;

    // The element "render" once it exists with a renderable: the first call that finds it makes the
    // renderer and puts it on the element. Null while there is none.
    SceneElement *install(HoScene *scene, Maker make);
    // The element's own renderable back, and the renderer deleted.
    void remove();

    SceneElement *element() const { return element_; }
    HoSceneImage *renderer() const { return renderer_; }

private:
    SceneElement *element_ = nullptr;
    HoSceneImage *renderer_ = nullptr;
    HoRenderable *own_ = nullptr; // the element's renderable before the renderer
};

// The entries of the array that the value holds, or null.
PtrArray<ScriptValue> *arrayIn(const ScriptValue *value);
// The element that the value names when it has a picture, else null.
SceneElement *pictureElementIn(const ScriptValue *value);

// The two lists of a template array: a flat array of template elements serves as both; a nested one
// gives its first entry as kinds and its second, when present, as alternates. The lists are the
// script's own, so later changes by the script show.
struct TemplateArrays {
    PtrArray<ScriptValue> *kinds = nullptr;
    PtrArray<ScriptValue> *alternates = nullptr;
};
// The lists of the array that the slot holds; both null when it holds none.
TemplateArrays readTemplateArrays(const ScriptValue *slot);
// The template at the index when it is an element with a renderable; else null, which makes a node
// without an element, one that draws nothing.
SceneElement *templateAt(const PtrArray<ScriptValue> *list, int32_t index);
int32_t templateCount(const PtrArray<ScriptValue> *list);

// The heading of the step (dx, dy) in degrees: 0 straight down (+y), 90 to the right (+x). The shooters
// turn their guns and their shots by it.
float headingDegrees(float dx, float dy);
// The straight distance between the two points.
float distanceBetween(ScreenPoint a, ScreenPoint b);

// A setting of a minigame: the value slot of its scene variable, held by pointer, and the default that
// stands in whenever the slot holds no usable number (text, an object, not a number, an infinity, or
// a number that the rule refuses).
class MinigameSetting {
public:
    enum Rule : uint8_t {
        kAnyNumber,
        kAboveZero,
    };

    explicit MinigameSetting(float fallback = 0.0f, Rule rule = kAnyNumber) : fallback_(fallback), rule_(rule) {}

    // Finds or makes the variable in the context and writes the default into it.
    void bindWithDefault(ScriptContext *context, const char *name);
    // Finds or makes the variable and leaves its value.
    void bind(ScriptContext *context, const char *name);
    // Any slot that lives as long as the setting is read.
    void bindSlot(const ScriptValue *slot) { slot_ = slot; }
    void unbind() { slot_ = nullptr; }

    float number() const;
    // Cut toward zero.
    int32_t whole() const;
    // The element that the slot holds, or null.
    SceneElement *element() const;
    const ScriptValue *slot() const { return slot_; }
    float fallback() const { return fallback_; }

private:
    const ScriptValue *slot_ = nullptr;
    float fallback_;
    Rule rule_;
};
