#pragma once
// A video that a scene element shows: an Ogg Theora file played by a clip of the context's video
// manager. The clip's worker decodes frames ahead; the main thread copies each due frame into the
// video's own pixel buffer and uploads that buffer into the picture only when the scene draws a frame
// it has not uploaded yet.
//
// A name holding "_a.ogv" is an alpha video: its frames are twice as wide as the picture, the colour on
// the left and a grey mask on the right, which the clip turns into the picture's alpha.
//
// A loaded video waits, paused, until its element plays it. Callers read and write the flags and the
// frame numbers directly and drive the clip; a video without a clip (not loaded, or a file that could
// not be opened) is skipped by every one of them.

#include <cstddef>
#include <cstdint>

#include "game/resources/HoResource.h"

class HoContext;
class HoTheoraOstilDataSource;
class KGraphic;
class TheoraVideoClip;
class TheoraVideoManager;

class HoVideo : public HoResource {
public:
    // Deletes the picture and frees the pixel buffer.
    void releaseObject() override;
    int32_t getReloadMode(HoResourceManager *) override { return kReloadWhenChanged; }
    // Opens the file and makes a paused clip over it. A file that cannot be opened or played gives
    // "Can't open video" through the context's message hook and a logged error; the video stays
    // without a clip and a later request tries again.
    void load(HoResourceManager *manager) override;
    // Closes the clip and frees the pixel buffer. Once the video manager has gone (and taken its clips
    // with it) the clip is only forgotten.
    void unload(HoResourceManager *manager) override;

    // Takes a holder, as acquire does. The reload policy passes over a file that is not there in silence
    // (its time stays unknown), so the first holder of such a video reports it as one that cannot be
    // opened.
    void hold(HoResourceManager *manager);

    // Main thread, while the video plays: copies the clip's due frame, if any, into the pixel buffer.
    // Under the fixed clock of scripted runs it first waits (a bounded while) for the clip's worker to
    // have decoded that frame, so a busy machine shows the frames an idle one would; in the context's
    // frame that opened the clip it takes none and never waits.
    void updateFrame();
    // The picture, with the latest copied frame uploaded into it.
    KGraphic *getFrameGraphic();
    // A frame of the clip now open was copied: until then the picture holds nothing of it (it is empty, or
    // shows the last frame of an earlier opening) and is not drawn.
    bool hasFrame() const { return frameCopied_; }

    // The picture's size: the clip's frame, halved in width for an alpha video.
    int32_t pictureWidth() const { return pictureWidth_; }
    int32_t pictureHeight() const { return pictureHeight_; }
    const uint32_t *pixels() const { return pixels_; }

    HoTheoraOstilDataSource *source = nullptr; // only until the clip takes it over
    TheoraVideoClip *clip = nullptr;           // null when not loaded
    bool newFrame = false;                     // the pixel buffer holds a frame not uploaded yet
    KGraphic *picture = nullptr;               // made with the record by the resource manager
    bool alpha = false;
    bool playing = false;
    bool pausedByPauseAll = false; // paused by the window's deactivation, resumed by its activation
    bool paused = false;
    float stopAt = -1.0f;       // frame to stop after; -1 = none
    float currentFrame = -1.0f; // number of the frame last copied, plus 1; -1 = none

private:
    // The context's video manager, or null.
    static TheoraVideoManager *videoManagerOf(HoResourceManager *manager);
    // Reports a video that could not be opened or played.
    void reportOpenFailure(HoResourceManager *manager, const char *reason);
    // True when the worker cannot bring the frame due now any nearer: it is at the front of the queue,
    // none is due yet, or the worker cannot add one (the clip paused, its file read whole, its queue full).
    bool hasDueFrame();
    // The clip was opened in the context's frame under way (not between its frames).
    bool openedThisFrame() const;
    void waitForDueFrame();
    void allocatePixels();
    void freePixels();

    uint32_t *pixels_ = nullptr; // 0xAARRGGBB, rows packed, picture width x height
    size_t pixelCount_ = 0;
    int32_t pictureWidth_ = 0;
    int32_t pictureHeight_ = 0;
    const HoContext *openedIn_ = nullptr; // the context that opened the clip
    uint64_t openedOnFrame_ = 0;          // the number of its frame that did (0: opened between frames)
    bool frameCopied_ = false;            // since the clip was opened
};
