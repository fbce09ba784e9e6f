#pragma once
// A sound effect, voice line or music track over one engine sound, with the game's volume rules: a
// per-sound factor from "data/sounds/volumes.cfg", the player's sound-effect or voice volume, and the
// world's scene-change fade. The name says how it plays: '@' loops it, '!' makes it a voice line, a path
// under "data/music/" is music, and ":N" (N from 1 to 9) stands for the group of the N numbered
// variants "...01" to "...0N", of which the callers pick one.

#include <cstdint>

#include "game/resources/HoResource.h"
#include "game/util/PtrArray.h"

class HoWorld;
class KSound;
struct ConfigEntry;
struct SceneElement;

class HoSound : public HoResource {
public:
    // Deletes the engine sound.
    void releaseObject() override;
    // A group reloads at every request, so that its variants do too.
    int32_t getReloadMode(HoResourceManager *) override {
        return variants.empty() ? kReloadWhenChanged : kReloadAlways;
    }
    // Streams the file into a new engine sound; a group loads its variants instead. Without a sound
    // system nothing is made.
    void load(HoResourceManager *manager) override;
    // Stops and deletes the engine sound, and unloads the variants.
    void unload(HoResourceManager *manager) override;

    // Decodes the name of a new record into its flags, path, volume entry and variants.
    void resolveName(HoResourceManager *manager);

    // Starts the sound (looped when the name said so) at the volume, optionally at a random position;
    // `unfaded` exempts it from the scene-change fade. Nothing happens when it is not loaded. The world
    // that plays it gives the player's volume (a world built for a load, its copy of the options) and the
    // fade.
    void play(float volume, bool unfaded, bool randomStart, HoWorld *world);
    // Sets the engine volume from the volume and the game's rules, at once when the sound is playing.
    void setVolume(float volume, HoWorld *world);

    KSound *engineSound = nullptr; // null when not loaded
    bool loop = false;
    bool music = false;
    bool voice = false;
    float volume = 1.0f; // the last volume asked for
    bool unfaded = false;
    ConfigEntry *volumeEntry = nullptr; // its line of "data/sounds/volumes.cfg", by base name
    PtrArray<HoSound> variants{10};
    int32_t lastVariant = -1; // kept for the callers that pick a variant
    // As an element's hover sound: the element it plays for, the last hovered of those that have it.
    SceneElement *hoverOwner = nullptr;
};
