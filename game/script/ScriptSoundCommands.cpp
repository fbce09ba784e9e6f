#include "game/script/ScriptSoundCommands.h"

#include "engine/sound/KSound.h"
#include "game/HoContext.h"
#include "game/resources/HoResourceManager.h"
#include "game/resources/HoSound.h"
#include "game/resources/HoVideo.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptExecution.h"
#include "game/util/HashString.h"
#include "game/world/HoWorld.h"
#include "video/TheoraVideoClip.h"

namespace {

// At or below this volume "sound" stops a sound rather than play it.
constexpr float kSilentVolume = 0.001f;

HoResourceManager *resourcesOf(ScriptContext *context) {
    return context->world->context->resources;
}

HoResourceManager *resourcesOf(HoWorld *world) {
    return world->context->resources;
}

// Whether parameter i is exactly the number 1.
bool isOne(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    const ScriptValue *value = commandParam(context, statement, i);
    return value && value->type == kScriptNumber && value->number == 1.0f;
}

bool isPlaying(HoSound *sound) {
    return sound->engineSound && sound->engineSound->isSoundPlaying();
}

void playLooped(HoSound *sound, float volume, HoWorld *world) {
    if (isPlaying(sound))
        sound->setVolume(volume, world);
    else
        sound->play(volume, false, false, world);
    resourcesOf(world)->playingSounds.addUnique(sound);
}

void stopLooped(HoSound *sound, HoWorld *world) {
    PtrArray<HoSound> &playing = resourcesOf(world)->playingSounds;
    const int32_t index = playing.indexOf(sound);
    if (index >= 0)
        playing.removeSwappingLast(index);
}

// Every loaded sound whose voice flag is the one asked: paused when it plays, or resumed (also when it
// was never paused), bucket by bucket of the resource names.
void pauseSoundsOfKind(ScriptContext *context, ScriptStatement *statement, bool voices) {
    const bool pause = isOne(context, statement, 0);
    HoResourceManager *resources = resourcesOf(context);
    for (uint32_t bucket = 0; bucket < kNameTableBuckets; ++bucket) {
        for (HoResource *resource = resources->bucketHead(bucket); resource; resource = resource->bucketNext) {
            if (resource->type != kResourceSound)
                continue;
            auto *sound = static_cast<HoSound *>(resource);
            if (!sound->engineSound || sound->voice != voices || (pause && !sound->engineSound->isSoundPlaying()))
                continue;
            sound->engineSound->setPaused(pause);
        }
    }
}

// The element of parameter 0, touched, when it shows a video that has a clip.
HoVideo *videoParam(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    HoVideo *video = element ? element->video : nullptr;
    return video && video->clip ? video : nullptr;
}

void playVideo(SceneElement *element, HoVideo *video) {
    element->active.setNumber(1.0f);
    video->paused = false;
}

// What "sound" asks: play the sound (a loop's volume set when it plays already), or stop it.
struct SoundAsk {
    HoSound *sound = nullptr; // as named: a group's variant is picked when the ask is done
    float volume = 1.0f;
    bool unfaded = false;
    bool stopOneShot = false;
};

void doSoundAsk(const SoundAsk &ask, HoWorld *world) {
    HoSound *sound = pickVariant(ask.sound);
    if (!sound)
        return;
    if (ask.volume > kSilentVolume) {
        if (sound->loop)
            playLooped(sound, ask.volume, world);
        else
            sound->play(ask.volume, ask.unfaded, false, world);
        return;
    }
    // A one-shot plays to its end unless it is told to stop.
    if ((sound->loop || ask.stopOneShot) && sound->engineSound)
        sound->engineSound->haltStream();
    if (sound->loop)
        stopLooped(sound, world);
}

} // namespace

void scriptSound(ScriptContext *context, ScriptStatement *statement) {
    const SoundAsk ask{namedSoundParam(context, statement, 0), numberParam(context, statement, 1, 1.0f),
                       roundedParam(context, statement, 2, 0.0f) != 0, roundedParam(context, statement, 3, 0.0f) != 0};
    if (!ask.sound)
        return;
    // The sounds are the running game's, which sets their volumes each frame: a world built for a load
    // plays or sets one when it takes the screen, on the main thread.
    if (context->world->builtForLoad) {
        context->world->startUpAsks.remember("sound", [ask](HoWorld *running) { doSoundAsk(ask, running); });
        return;
    }
    doSoundAsk(ask, context->world);
}

void scriptHoverSound(ScriptContext *context, ScriptStatement *statement) {
    SceneElement *element = touchedElementParam(context, statement, 0);
    if (!element)
        return;
    if (element->sound && element->sound->engineSound)
        element->sound->engineSound->haltStream();
    element->sound = pickSoundVariant(context, statement, 1);
    element->soundVolume = numberParam(context, statement, 2, 1.0f);
}

void scriptMusic(ScriptContext *context, ScriptStatement *statement) {
    HoSound *music = pickSoundVariant(context, statement, 0);
    HoWorld *world = context->world;
    if (music != world->music.playing) {
        world->music.changePending = 1;
        world->music.next = music;
        world->music.randomSeek = roundedParam(context, statement, 2, 0.0f) != 0 ? 1 : 0;
    }
    if (music)
        world->music.volume = numberParam(context, statement, 1, 1.0f);
    ++world->pictureMusicChanges;
}

void scriptPauseAllVoice(ScriptContext *context, ScriptStatement *statement) {
    pauseSoundsOfKind(context, statement, true);
}

void scriptPauseSounds(ScriptContext *context, ScriptStatement *statement) {
    pauseSoundsOfKind(context, statement, false);
}

void scriptVideo(ScriptContext *context, ScriptStatement *statement) {
    HoVideo *video = videoParam(context, statement);
    if (!video)
        return;
    playVideo(elementParam(context, statement, 0), video);
    if (isOne(context, statement, 1))
        video->clip->rewind();
    video->clip->setAutoRestart(isOne(context, statement, 2));
}

void scriptVideoSeek(ScriptContext *context, ScriptStatement *statement) {
    HoVideo *video = videoParam(context, statement);
    if (!video)
        return;
    const ScriptValue *frame = commandParam(context, statement, 1);
    if (frame && frame->type == kScriptNumber)
        video->clip->seek(roundToInt(frame->number));
    else
        reportCommandError(context, "Missing or invalid frame number");
}

void scriptVideoPlay(ScriptContext *context, ScriptStatement *statement) {
    HoVideo *video = videoParam(context, statement);
    if (!video)
        return;
    video->currentFrame = -1.0f;
    const ScriptValue *frame = commandParam(context, statement, 1);
    if (frame && frame->type == kScriptNumber) {
        video->clip->seek(roundToInt(frame->number));
        video->stopAt = numberParam(context, statement, 2, -1.0f);
    }
    playVideo(elementParam(context, statement, 0), video);
    if (!video->playing) {
        video->clip->play();
        video->playing = true;
    }
}

void scriptVideoPause(ScriptContext *context, ScriptStatement *statement) {
    HoVideo *video = videoParam(context, statement);
    if (!video)
        return;
    video->paused = true;
    elementParam(context, statement, 0)->active.setNumber(0.0f);
    if (video->playing) {
        video->clip->pause();
        video->playing = false;
    }
}
