#include "game/scene/HoParticleSystem.h"

#include "game/util/ReadWholeFile.h"

void HoParticleSystem::load(HoResourceManager *) {
    setDefaults();
    WholeFile file;
    if (readWholeFile(filePath, &file))
        read(file.data.get());
}
