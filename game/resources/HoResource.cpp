#include "game/resources/HoResource.h"

#include "engine/resource/KResourceCriticalSection.h"
#include "game/resources/HoResourceManager.h"

void HoResource::acquire(HoResourceManager *manager) {
    KCriticalSectionHold hold(manager->lock());
    ++useCount;
    if (useCount <= 1)
        manager->ensureLoaded(this);
}

void HoResource::release(HoResourceManager *manager) {
    KCriticalSectionHold hold(manager->lock());
    --useCount;
    if (useCount <= 0 && !manager->keepsReleasedPicture(this)) {
        unload(manager);
        fileTime = 0;
    }
}
