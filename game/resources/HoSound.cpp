#include "game/resources/HoSound.h"

#include <cstdio>
#include <string>

#include "engine/sound/KSound.h"
#include "engine/system/KSystem.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoResourceManager.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

constexpr char kMusicFolder[] = "data/music/";

// Removes the first occurrence of the character; true when there was one.
bool removeFirst(std::string &text, char c) {
    size_t at = text.find(c);
    if (at == std::string::npos)
        return false;
    text.erase(at, 1);
    return true;
}

// The player's volume option as the world reads it; an option that does not hold a number counts as 0.
float optionVolume(HoWorld *world, GameOptionIndex option) {
    const GameOptions *options = world ? world->optionsInUse() : nullptr;
    return options ? options->get(option) : 0.0f;
}

// The world's scene-change fade; without a world the scene counts as fully open.
float sceneChangeFade(const HoWorld *world) {
    return world ? world->change.fade : 1.0f;
}

} // namespace

void HoSound::releaseObject() {
    delete engineSound;
    engineSound = nullptr;
}

void HoSound::resolveName(HoResourceManager *manager) {
    std::string path = name;
    engineSound = nullptr;
    volume = 1.0f;
    unfaded = false;
    loop = removeFirst(path, '@');
    voice = removeFirst(path, '!');
    size_t slash = path.rfind('/');
    volumeEntry = slash != std::string::npos && manager->volumeTable
                      ? manager->volumeTable->find(path.c_str() + slash + 1)
                      : nullptr;
    music = path.compare(0, sizeof kMusicFolder - 1, kMusicFolder) == 0;
    filePath = manager->pathArena.copy(path.c_str());

    size_t colon = path.find(':');
    if (colon == std::string::npos || colon + 1 >= path.size() || path[colon + 1] < '1' || path[colon + 1] > '9')
        return;
    const int32_t count = path[colon + 1] - '0';
    for (int32_t i = 1; i <= count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%.2d", i);
        const std::string variant = path.substr(0, colon) + number + path.substr(colon + 2);
        variants.append(manager->getSound(variant.c_str(), false));
    }
}

void HoSound::load(HoResourceManager *manager) {
    delete engineSound;
    engineSound = nullptr;
    if (soundUnavailable)
        return;
    if (!variants.empty()) {
        for (int32_t i = 0; i < variants.count(); ++i)
            variants[i]->load(manager);
        return;
    }
    const std::string path = resolveDataPath(filePath);
    auto *made = new KSound();
    if (path.empty() || !made->loadStreamFile(path.c_str())) {
        delete made;
        fileTime = 0;
        // Without a device the sound layer has said so once already.
        if (!soundUnavailable)
            logMessage("Game: cannot load sound %s, ERROR", filePath);
        return;
    }
    engineSound = made;
}

void HoSound::unload(HoResourceManager *manager) {
    if (engineSound) {
        engineSound->haltStream();
        delete engineSound;
        engineSound = nullptr;
    }
    for (int32_t i = 0; i < variants.count(); ++i)
        variants[i]->unload(manager);
}

void HoSound::play(float playVolume, bool playUnfaded, bool randomStart, HoWorld *world) {
    if (!engineSound)
        return;
    unfaded = playUnfaded;
    setVolume(playVolume, world);
    engineSound->startStream(loop, randomStart);
}

void HoSound::setVolume(float newVolume, HoWorld *world) {
    if (!engineSound)
        return;
    volume = newVolume;
    float v = newVolume;
    if (volumeEntry)
        v *= volumeEntry->number;
    if (!music) {
        v *= optionVolume(world, voice ? kOptionVoice : kOptionSfx);
        if (!unfaded)
            v *= sceneChangeFade(world);
    }
    engineSound->volume = roundToInt(double(v) * 100.0);
    if (engineSound->isSoundPlaying())
        engineSound->applyVolume();
}
