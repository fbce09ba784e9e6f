#pragma once
// The resource of one ".particles" file under "data/particles/": a particle definition that every emitter
// started from the element naming the file reads. It is made and loaded at the first request, and read
// again, from the defaults, when its file changes.

#include <cstdint>

#include "game/resources/HoResource.h"
#include "game/scene/ParticleDefinition.h"

class HoParticleSystem : public HoResource, public ParticleDefinition {
public:
    void releaseObject() override {}
    int32_t getReloadMode(HoResourceManager *) override { return kReloadWhenChanged; }
    // Starts from the defaults and reads the file over them; a file that cannot be read leaves the defaults.
    void load(HoResourceManager *manager) override;
    void unload(HoResourceManager *) override {}
};
