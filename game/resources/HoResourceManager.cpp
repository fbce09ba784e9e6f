#include "game/resources/HoResourceManager.h"

#include <string>

#include "engine/graphics/KGraphicFactory.h"
#include "engine/resource/KResource.h"
#include "engine/resource/KResourceCriticalSection.h"
#include "engine/sound/KSound.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "video/TheoraVideoClip.h"

namespace {

constexpr char kParticleFolder[] = "data/particles/";

// A record of the first class can be handed out for a request of the second.
bool servesAs(uint8_t held, uint8_t asked) {
    return held == asked || (asked == kResourceTexture && held == kResourceAtlasTexture);
}

} // namespace

HoResourceManager::HoResourceManager(HoContext *owner) : context(owner) {
    InitializeCriticalSection(&lock_);
    volumeTable = getConfiguration("data/sounds/volumes.cfg");
}

HoResourceManager::~HoResourceManager() {
    for (HoResource *bucket : buckets_) {
        for (HoResource *resource = bucket; resource; resource = resource->bucketNext)
            resource->releaseObject();
    }
    buckets_.fill(nullptr);
    newestByName_.clear();
    count_ = 0;
    first_ = last_ = nullptr;
    playingSounds.releaseStorage();
    fonts_.teardown();
    configurations_.teardown();
    videos_.teardown();
    sounds_.teardown();
    particleSystems_.teardown();
    atlasTextures_.teardown();
    textures_.teardown();
    DeleteCriticalSection(&lock_);
}

HoResource *HoResourceManager::find(const char *name) {
    KCriticalSectionHold hold(&lock_);
    if (!name)
        name = "";
    return newestOfName(name);
}

HoResource *HoResourceManager::newestOfName(const char *name) const {
    return newestByName_.find(name);
}

HoResource *HoResourceManager::findOfClass(const char *name, uint8_t type) const {
    HoResource *serving = nullptr;
    bool otherClass = false;
    for (HoResource *resource = newestOfName(name); resource; resource = resource->sameNameNext) {
        if (resource->type == type)
            return resource;
        if (servesAs(resource->type, type))
            serving = resource;
        else
            otherClass = true;
    }
    // Handing out a record of another class would have the caller use it as what it is not; that
    // class gets a record of its own.
    if (!serving && otherClass)
        logMessage("Game: %s is asked for as two kinds of resource, WARNING", name);
    return serving;
}

template <typename T>
T *HoResourceManager::newRecord(HoObjectPool<T> &pool, const char *name, uint8_t type) {
    T *record = pool.allocate();
    record->bucketNext = nullptr;
    record->sameNameNext = nullptr;
    record->loadOrderNext = nullptr;
    record->name = context->interned.internOrFind(name);
    record->filePath = record->name;
    record->useCount = 0;
    record->fileTime = 0;
    record->type = type;
    return record;
}

void HoResourceManager::insert(HoResource *resource) {
    HoResource *&head = buckets_[hashString(resource->name) % kNameTableBuckets];
    resource->bucketNext = head;
    head = resource;
    resource->sameNameNext = newestByName_.find(resource->name);
    newestByName_.store(resource->name, resource);
    ++count_;
    if (last_)
        last_->loadOrderNext = resource;
    else
        first_ = resource;
    last_ = resource;
}

template <typename T, typename Prepare>
T *HoResourceManager::getOrCreate(HoObjectPool<T> &pool, const char *name, uint8_t type, Prepare prepare) {
    KCriticalSectionHold hold(&lock_);
    name = name ? name : "";
    if (HoResource *found = findOfClass(name, type))
        return static_cast<T *>(found);
    T *record = newRecord(pool, name, type);
    prepare(record);
    insert(record);
    return record;
}

HoTexture *HoResourceManager::getTexture(const char *name) {
    return getOrCreate(textures_, name, kResourceTexture,
                       [this](HoTexture *texture) { texture->filePath = pathArena.copy(texture->name); });
}

HoAtlasTexture *HoResourceManager::getAtlasTexture(const char *name) {
    return getOrCreate(atlasTextures_, name, kResourceAtlasTexture,
                       [this](HoAtlasTexture *texture) { texture->filePath = pathArena.copy(texture->name); });
}

HoParticleSystem *HoResourceManager::getParticleSystem(const char *name) {
    return getOrCreate(particleSystems_, name, kResourceParticleSystem, [this](HoParticleSystem *system) {
        system->filePath = pathArena.copy((std::string(kParticleFolder) + system->name).c_str());
        system->setDefaults();
        system->sourceName = system->filePath;
        system->acquire(this);
    });
}

HoSound *HoResourceManager::getSound(const char *name, bool acquireNow) {
    return getOrCreate(sounds_, name, kResourceSound, [this, acquireNow](HoSound *sound) {
        sound->resolveName(this);
        if (acquireNow)
            sound->acquire(this);
    });
}

HoConfiguration *HoResourceManager::getConfiguration(const char *name) {
    return getOrCreate(configurations_, name, kResourceConfiguration, [this](HoConfiguration *configuration) {
        configuration->context = context;
        configuration->acquire(this);
    });
}

HoFont *HoResourceManager::getFont(const char *name) {
    return getOrCreate(fonts_, name, kResourceFont, [](HoFont *) {});
}

HoVideo *HoResourceManager::getVideo(const char *name) {
    return getOrCreate(videos_, name, kResourceVideo, [](HoVideo *video) {
        video->clip = nullptr;
        video->alpha = video->playing = video->paused = video->pausedByPauseAll = false;
        video->picture = createKGraphic();
    });
}

void HoResourceManager::ensureLoaded(HoResource *resource) {
    if (!resource)
        return;
    KCriticalSectionHold hold(&lock_);
    const int32_t mode = resource->getReloadMode(this);
    if (mode == kReloadNever)
        return;
    if (mode == kReloadWhenChanged) {
        FileInfo info;
        const std::string path = resolveDataPath(resource->filePath);
        const int64_t time = !path.empty() && KResource::getFileInfo(path.c_str(), &info) ? info.modificationTime : 0;
        if (time == resource->fileTime)
            return;
        resource->fileTime = time;
    }
    KCriticalSectionHold loading(resourceCriticalSection());
    resource->load(this);
}

void HoResourceManager::holdReleasedPictures() {
    KCriticalSectionHold hold(&lock_);
    holdingPictures_ = true;
}

bool HoResourceManager::keepsReleasedPicture(HoResource *resource) {
    KCriticalSectionHold hold(&lock_);
    if (!holdingPictures_ || (resource->type != kResourceTexture && resource->type != kResourceAtlasTexture))
        return false;
    heldPictures_.addUnique(resource);
    return true;
}

void HoResourceManager::endPictureHold() {
    KCriticalSectionHold hold(&lock_);
    holdingPictures_ = false;
    for (int32_t i = 0; i < heldPictures_.count(); ++i) {
        HoResource *resource = heldPictures_[i];
        if (resource->useCount <= 0) {
            resource->unload(this);
            resource->fileTime = 0;
        }
    }
    heldPictures_.clear();
}

void HoResourceManager::reloadHeld(uint8_t type) {
    for (HoResource *resource = first_; resource; resource = resource->loadOrderNext) {
        if (resource->type == type && resource->useCount > 0)
            ensureLoaded(resource);
    }
}

void HoResourceManager::unloadHeld(uint8_t type) {
    for (HoResource *resource = first_; resource; resource = resource->loadOrderNext) {
        if (resource->type == type && resource->useCount > 0) {
            resource->unload(this);
            resource->fileTime = 0;
        }
    }
}

void HoResourceManager::reloadGraphics() {
    KCriticalSectionHold hold(&lock_);
    reloadHeld(kResourceTexture);
    reloadHeld(kResourceAtlasTexture);
    reloadHeld(kResourceFont);
}

void HoResourceManager::unloadGraphics() {
    KCriticalSectionHold hold(&lock_);
    unloadHeld(kResourceAtlasTexture);
    unloadHeld(kResourceTexture);
    unloadHeld(kResourceFont);
}

void HoResourceManager::stopListedSounds() {
    KCriticalSectionHold hold(&lock_);
    for (int32_t i = 0; i < playingSounds.count(); ++i) {
        if (playingSounds[i] && playingSounds[i]->engineSound)
            playingSounds[i]->engineSound->haltStream();
    }
    playingSounds.clear();
}

template <typename Visit>
void HoResourceManager::forEachVideo(Visit visit) {
    KCriticalSectionHold hold(&lock_);
    for (HoResource *resource = first_; resource; resource = resource->loadOrderNext) {
        if (resource->type == kResourceVideo)
            visit(static_cast<HoVideo *>(resource));
    }
}

void HoResourceManager::pauseVideos() {
    forEachVideo([](HoVideo *video) {
        if (!video->clip || !video->playing || video->clip->isPaused() || video->clip->isDone())
            return;
        video->clip->pause();
        video->pausedByPauseAll = true;
        video->paused = true;
    });
}

void HoResourceManager::resumeVideos() {
    forEachVideo([](HoVideo *video) {
        if (!video->pausedByPauseAll)
            return;
        video->pausedByPauseAll = false;
        if (video->clip)
            video->clip->play();
    });
}

void HoResourceManager::unloadVideos() {
    forEachVideo([this](HoVideo *video) {
        if (!video->clip)
            return;
        video->unload(this);
        video->fileTime = 0;
    });
}
