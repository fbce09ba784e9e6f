#include "game/scene/ElementMedia.h"

#include <cstring>
#include <string>

#include "game/HoContext.h"
#include "game/resources/HoFont.h"
#include "game/resources/HoResourceManager.h"
#include "game/scene/ElementName.h"
#include "game/scene/ElementPolygons.h"
#include "game/scene/HitMask.h"
#include "game/scene/HoRenderable.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/scene/TextInputField.h"
#include "game/util/ReadWholeFile.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kParticleFolder[] = "data/particles/";
constexpr char kMovieFolder[] = "data/movies/";

void setKindFlags(SceneElement *element) {
    const ScriptValue &key = element->textKey;
    if (key.type == kScriptText && nameStartsWith(key.text(), "UI_"))
        element->textKeyFromUiTable = 1;
    if (nameStartsWith(element->name, "_hud_"))
        element->isHud = 1;
    if (nameStartsWith(element->name, "_ho_hud_"))
        element->isHoHud = 1;
    if (nameIs(element->mediaName, "journal"))
        element->isJournal = 1;
}

HoResourceManager *resourcesOf(const SceneElement *element) {
    HoContext *context = element->scene->world->context;
    return context ? context->resources : nullptr;
}

bool hasText(const SceneElement *element) {
    const ScriptValue &key = element->textKey;
    bool keyed = key.type == kScriptText && key.text() && key.text()[0];
    return keyed || element->fontIndex > 0 || element->isTextInput;
}

// The font that the element's text is drawn with, held while its pictures are.
void holdFont(SceneElement *element) {
    HoContext *context = element->scene->world->context;
    if (!context || element->fontIndex < 0 || !hasText(element))
        return;
    element->heldFont = context->fontResource(element->fontIndex);
    if (element->heldFont)
        element->heldFont->acquire(context->resources);
}

void dropFont(SceneElement *element, HoResourceManager *resources) {
    if (element->heldFont && resources)
        element->heldFont->release(resources);
    element->heldFont = nullptr;
}

// A media part longer than ".particles" that ends in it names a particle definition under
// "data/particles/"; when the file exists the element shows its particles, with an emitter of its own.
void setupParticles(SceneElement *element) {
    const char *media = element->mediaName;
    if (!nameEndsWith(media, ".particles"))
        return;
    HoResourceManager *resources = resourcesOf(element);
    if (!resources || !dataFileExists((std::string(kParticleFolder) + media).c_str()))
        return;
    element->particleSystem = resources->getParticleSystem(media);
    if (!element->particleSystem)
        return;
    element->isParticle = 1;
    element->emitter = element->scene->world->renderPools.acquireEmitter();
}

// A media part longer than ".ogv" that ends in it names a video: the file in the scene's own folder, or,
// when that is missing or empty, the one under "data/movies/". The element starts active, so that the
// scene plays the video once it is shown.
void setupVideo(SceneElement *element) {
    const char *media = element->mediaName;
    HoResourceManager *resources = resourcesOf(element);
    if (!nameEndsWith(media, ".ogv") || !resources)
        return;
    const char *folder = element->scene->folder;
    std::string path = std::string(folder ? folder : "") + "/" + media;
    uint32_t size = 0;
    if (!folder || !dataFileExists(path.c_str(), &size) || size == 0)
        path = std::string(kMovieFolder) + media;
    element->video = resources->getVideo(path.c_str());
    element->active.setNumber(1.0f);
}

} // namespace

void setupElementMedia(SceneElement *element) {
    if (!element)
        return;
    float centreX = 0.0f, centreY = 0.0f;
    if (element->polygonCount > 0) {
        prepareHitPolygons(element->polygons, element->polygonCount, &centreX, &centreY);
        element->centreOffsetX = centreX;
        element->centreOffsetY = centreY;
    }
    setKindFlags(element);
    if (nameStartsWith(element->name, "KUIEdit_") && !element->textInput) {
        element->isTextInput = 1;
        element->textInput = new TextInputField(element);
    }
    setupParticles(element);
    setupVideo(element);
}

void loadElementImages(SceneElement *element) {
    if (!element)
        return;
    if (element->renderable) {
        if (!element->sharedImageSource)
            element->renderable->acquire();
        loadHitMask(element);
    }
    HoResourceManager *resources = resourcesOf(element);
    if (element->particleSystem && resources)
        element->particleSystem->acquire(resources);
    if (element->video && resources)
        element->video->hold(resources);
    holdFont(element);
    element->picturesLoaded = 1;
}

void unloadElementImages(SceneElement *element) {
    if (!element)
        return;
    if (element->renderable && !element->sharedImageSource)
        element->renderable->release();
    element->dropHitMask();
    if (element->savedRenderable) {
        element->savedRenderable->release();
        element->savedRenderable = nullptr;
    }
    HoResourceManager *resources = resourcesOf(element);
    if (element->particleSystem && resources)
        element->particleSystem->release(resources);
    if (element->video && resources)
        element->video->release(resources);
    dropFont(element, resources);
    element->picturesLoaded = 0;
}

void loadHitMask(SceneElement *element) {
    HoRenderable *picture = element ? element->renderable : nullptr;
    if (!picture || picture->kind != kRenderableSceneImage || !picture->path)
        return;
    element->dropHitMask();
    std::string path = hitMaskPath(picture->path);
    WholeFile file;
    if (!readWholeFile(path.c_str(), &file))
        return;
    HitMask mask;
    if (!readHitMask(file.data.get(), file.size, path.c_str(), &mask))
        return;
    element->hitMask = mask.bits.release();
    element->hitMaskWidth = mask.width;
    element->hitMaskHeight = mask.height;
}
