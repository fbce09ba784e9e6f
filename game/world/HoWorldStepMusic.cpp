// The world's music: each scene names its music, a scene change queues it, and the step fades the old
// music out before the new one starts (only once the old scene has been left). While music plays its
// volume follows the music option, rising with the scene's fade in after a change and ducking under a
// voice line in scenes that ask for it.

#include <algorithm>

#include "engine/resource/KResourceCriticalSection.h"
#include "engine/sound/KSound.h"
#include "game/HoContext.h"
#include "game/HoGame.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/scene/HoScene.h"
#include "game/world/HoWorld.h"
#include "game/world/HoWorldStepValues.h"

namespace {

constexpr float kSteadyRamp = 0.005f;
constexpr float kFadeRamp = 0.02f;
constexpr float kFadeOutStep = 0.02f;
constexpr float kSlowFadeOutStep = 0.0025f;
constexpr float kSilent = 0.01f;
constexpr float kVoiceDucking = 0.2f;
constexpr float kNoVoiceVolume = 0.01f;

float option(HoWorld *world, GameOptionIndex index) {
    const GameOptions *options = world->optionsInUse();
    return options ? options->get(index) : 0.0f;
}

// The music a scene names: a sound under the music folder; anything else is no music.
HoSound *musicOf(const HoScene *scene) {
    const ScriptValue *value = scene ? scene->backgroundMusicSlot : nullptr;
    if (!value || value->type != kScriptSound || !value->pointer)
        return nullptr;
    auto *sound = static_cast<HoSound *>(value->pointer);
    return sound->music ? sound : nullptr;
}

// Refreshes every voice line's volume; true when one of them plays.
bool refreshVoices(HoWorld *world) {
    bool playing = false;
    HoResourceManager *resources = world->context->resources;
    // The game-load thread may add resources meanwhile.
    KCriticalSectionHold hold(resources->lock());
    for (HoResource *resource = resources->firstResource(); resource; resource = resource->loadOrderNext) {
        if (resource->type != kResourceSound)
            continue;
        auto *sound = static_cast<HoSound *>(resource);
        if (!sound->voice || !sound->engineSound)
            continue;
        sound->setVolume(sound->volume, world);
        playing = playing || sound->engineSound->isSoundPlaying();
    }
    return playing && option(world, kOptionVoice) >= kNoVoiceVolume;
}

} // namespace

void HoWorld::updateMusic() {
    context->applySettings();
    const bool voicePlaying = refreshVoices(this);
    WorldMusic &m = music;
    if (!m.changePending) {
        if (!m.playing)
            return;
        float target = option(this, kOptionMusic) * m.level;
        if (m.startRamp)
            target *= change.fade;
        if (voicePlaying && activeScene &&
            slotHolds(variableSlot(&activeScene->script, "#voice_affect_music"), 1.0f))
            target = std::min(target, option(this, kOptionVoice) * kVoiceDucking);
        const float ramp = change.fade < 1.0f ? kFadeRamp : kSteadyRamp;
        moveToward(m.volume, target, ramp, ramp);
        m.playing->setVolume(m.volume, this);
        if (m.volume == target && change.state == kChangeIdle)
            m.startRamp = 0;
        return;
    }
    if (m.playing) {
        const bool slow = !m.next && activeScene && activeScene->isGameplay;
        m.volume -= slow ? kSlowFadeOutStep : kFadeOutStep;
        m.playing->setVolume(std::max(m.volume, 0.0f), this);
        if (m.volume <= kSilent) {
            if (m.playing->engineSound)
                m.playing->engineSound->haltStream();
            m.playing->release(context->resources);
            m.playing = nullptr;
        }
    }
    if (m.playing || change.state == kChangeLeaving)
        return;
    m.playing = m.next;
    m.volume = 0.0f;
    if (m.playing) {
        m.playing->acquire(context->resources);
        m.playing->play(0.0f, false, m.randomSeek != 0, this);
    }
    m.changePending = 0;
    m.next = nullptr;
    m.randomSeek = 0;
}

void HoWorld::queueSceneMusic(HoScene *scene) {
    HoSound *wanted = musicOf(scene);
    WorldMusic &m = music;
    if ((wanted == m.playing && !m.changePending) || wanted == m.next)
        return;
    m.startRamp = wanted ? 1 : 0;
    m.changePending = 1;
    m.next = wanted;
    m.randomSeek = roundToInt(slotNumber(scene ? scene->backgroundMusicRandomSeekSlot : nullptr, 0.0f)) != 0 ? 1 : 0;
    m.level = 1.0f;
}
