#pragma once
// Base of the game's named resources: pictures, atlas regions, sounds, fonts, configuration files, videos
// (and, later, particle systems). Each is created on its first request by name and kept by the
// resource manager for the life of the game context. A use count says how many holders it has: the
// first holder loads it, the last one to let go unloads it. When and whether a request loads again is
// the class's reload mode.

#include <cstdint>

class HoResourceManager;

// The class of a resource, written into each record.
enum HoResourceType : uint8_t {
    kResourceTexture = 1,
    kResourceParticleSystem = 2,
    kResourceSound = 3,
    kResourceVideo = 4,
    kResourceConfiguration = 5,
    kResourceAtlasTexture = 6,
    kResourceFont = 7,
};

enum HoReloadMode : int32_t {
    kReloadNever = 0,
    kReloadWhenChanged = 1, // when the file's modification time differs from the one last loaded
    kReloadAlways = 2,      // at every HoResourceManager::ensureLoaded
};

class HoResource {
public:
    virtual ~HoResource() = default;

    // Deletes the engine object the resource holds; called for every resource when the manager goes.
    virtual void releaseObject() = 0;
    virtual int32_t getReloadMode(HoResourceManager *manager) = 0;
    // Reads the file and builds the engine object; runs inside the resource critical section.
    virtual void load(HoResourceManager *manager) = 0;
    // Frees what load built.
    virtual void unload(HoResourceManager *manager) = 0;

    // Use count + 1, loading (HoResourceManager::ensureLoaded) when the count is at most 1.
    void acquire(HoResourceManager *manager);
    // Use count - 1, unloading (and forgetting the file time) when the count is at most 0.
    void release(HoResourceManager *manager);

    HoResource *bucketNext = nullptr;    // next resource in the same name-table bucket
    HoResource *sameNameNext = nullptr;  // next (older) resource of the same name, in bucket order
    HoResource *loadOrderNext = nullptr; // next resource in creation order
    const char *name = nullptr;          // interned in the context's table: the key
    const char *filePath = nullptr;      // what load opens; the name unless the class keeps its own
    int16_t useCount = 0;
    uint8_t type = 0;     // HoResourceType
    int64_t fileTime = 0; // modification time at the last load; 0 = not loaded or forced stale
};
