#pragma once
// The resource manager: every named resource of the game, created on its first request and kept until
// the game context goes. Resources are found by name through a table of 6151 buckets (names compare
// exactly) and listed in creation order; their records come from one pool per class in blocks of 100.
// A game holds tens of thousands of resources, far beyond what 6151 chains keep short, so lookups go
// through an index from each name to its newest record, which leads to the older records of that name in
// the order a chain walk meets them.
//
// Locks: the table, the lists, the pools and every use count are guarded by the manager's own re-entrant
// critical section, so the game-load thread and the main thread may ask for resources at once. Holding
// it, the manager calls the intern table and the string arena (each locked on its own, never calling
// back). Every load runs inside the process-wide resource critical section, which is always taken after
// the manager's.

#include <array>
#include <cstdint>

#include "game/util/HashString.h"
#include "game/util/HoObjectPool.h"
#include "game/util/PtrArray.h"
#include "game/util/StringArena.h"
#include "game/util/TextIndex.h"
#include "platform/WinBase.h"

#include "game/resources/HoAtlasTexture.h"
#include "game/resources/HoConfiguration.h"
#include "game/resources/HoFont.h"
#include "game/resources/HoSound.h"
#include "game/resources/HoTexture.h"
#include "game/resources/HoVideo.h"
#include "game/scene/HoParticleSystem.h"

class HoContext;

class HoResourceManager {
public:
    explicit HoResourceManager(HoContext *context);
    ~HoResourceManager();
    HoResourceManager(const HoResourceManager &) = delete;
    HoResourceManager &operator=(const HoResourceManager &) = delete;

    // Get-or-create: the resource of that name, made on the first request; never null. A resource that
    // exists is returned unchanged, with no use count change and no load, whatever the caller asked.
    HoTexture *getTexture(const char *name);
    HoAtlasTexture *getAtlasTexture(const char *name);
    // The definition "data/particles/<name>"; a new one is acquired, so it is read at once.
    HoParticleSystem *getParticleSystem(const char *name);
    // With acquireNow, a new sound is acquired (and so loaded).
    HoSound *getSound(const char *name, bool acquireNow);
    // A new configuration is acquired, so it is read at once.
    HoConfiguration *getConfiguration(const char *name);
    HoFont *getFont(const char *name);
    // A new video has no clip, its flags clear and a picture of its own for the frames; nothing is
    // loaded until its first holder acquires it.
    HoVideo *getVideo(const char *name);

    // The resource whose name equals the given one, or null.
    HoResource *find(const char *name);
    // Loads the resource when its reload mode asks for it.
    void ensureLoaded(HoResource *resource);

    // After a switch of the picture quality: unloadGraphics drops every held atlas texture, texture and
    // font; reloadGraphics loads again every held texture, atlas texture and font, each class in
    // creation order.
    void unloadGraphics();
    void reloadGraphics();

    // Stops every sound of the playing-sound list and empties it.
    void stopListedSounds();

    // While a scene change swaps one scene's pictures for another's, a picture whose last holder lets go
    // stays loaded: one that the new scene takes again is not read again. Ending the hold unloads those
    // that nobody took.
    void holdReleasedPictures();
    void endPictureHold();
    // Whether a picture let go now stays loaded; if so it is kept for the end of the hold.
    bool keepsReleasedPicture(HoResource *resource);

    // While the window is in the background: pauseVideos pauses every video that plays (it has a clip,
    // is flagged playing, and its clip is neither paused nor done) and marks it; resumeVideos plays the
    // marked ones again and clears the mark.
    void pauseVideos();
    void resumeVideos();
    // Closes the clip of every video, so that none outlives the video manager; each is loaded again by
    // its next first holder.
    void unloadVideos();

    // The manager's critical section, for HoResource::acquire and release.
    CRITICAL_SECTION *lock() { return &lock_; }

    // The first resource in creation order (each links to the next), and the head of a bucket.
    HoResource *firstResource() const { return first_; }
    HoResource *bucketHead(uint32_t bucket) const { return bucket < kNameTableBuckets ? buckets_[bucket] : nullptr; }
    int32_t resourceCount() const { return count_; }

    HoContext *context;
    // The manager's private copies of resource paths.
    StringArena pathArena;
    // "data/sounds/volumes.cfg": the per-sound volume factors.
    HoConfiguration *volumeTable = nullptr;
    // Looped sounds started by the scripts, stopped together at scene changes.
    PtrArray<HoSound> playingSounds;

private:
    // The resource of that name that can serve as the given class, or null.
    HoResource *findOfClass(const char *name, uint8_t type) const;
    // The newest resource of the name, or null.
    HoResource *newestOfName(const char *name) const;
    // A record of the class from its pool with the base fields set; not in the table yet.
    template <typename T>
    T *newRecord(HoObjectPool<T> &pool, const char *name, uint8_t type);
    // The resource of that name serving as class T; else a new record, prepared, then entered.
    template <typename T, typename Prepare>
    T *getOrCreate(HoObjectPool<T> &pool, const char *name, uint8_t type, Prepare prepare);
    // Enters the record in the table and at the end of the creation order.
    void insert(HoResource *resource);
    // ensureLoaded, or unload, for every held resource of one class, in creation order.
    void reloadHeld(uint8_t type);
    void unloadHeld(uint8_t type);
    // Calls the function for every video, in creation order.
    template <typename Visit>
    void forEachVideo(Visit visit);

    CRITICAL_SECTION lock_;
    std::array<HoResource *, kNameTableBuckets> buckets_{};
    TextIndex<HoResource> newestByName_;
    int32_t count_ = 0;
    HoResource *first_ = nullptr;
    HoResource *last_ = nullptr;
    bool holdingPictures_ = false;
    PtrArray<HoResource> heldPictures_;
    HoObjectPool<HoTexture> textures_;
    HoObjectPool<HoAtlasTexture> atlasTextures_;
    HoObjectPool<HoParticleSystem> particleSystems_;
    HoObjectPool<HoSound> sounds_;
    HoObjectPool<HoVideo> videos_;
    HoObjectPool<HoConfiguration> configurations_;
    HoObjectPool<HoFont> fonts_;
};
