#pragma once
// One of the three pictures a match-three figure shows (its kind's picture, its kind's foreground, an
// overlay for selection, hints and explosions). A layer shows the picture of a template element, a frame
// of it when the picture is a sprite sheet (advanced by world time while the layer animates), or the
// particles of the element's particle system through an emitter of its own that follows the figure.
// A layer may have a lifetime in draws or steps, after which it goes off (a picture) or stops emitting.

#include <cstdint>

struct FigureTemplate;
struct Match3Figure;
struct ParticleEmitter;
struct SceneElement;
class HoScenesMatch3;
class HoTexture;

struct FigureLayer {
    // Which element of a template a layer shows.
    static constexpr int32_t kBackground = 1;
    static constexpr int32_t kForeground = 2; // the background when the template has none

    FigureLayer() = default;
    ~FigureLayer() { releaseEmitter(); }
    FigureLayer(const FigureLayer &) = delete;
    FigureLayer &operator=(const FigureLayer &) = delete;

    // Shows the template's element; nothing more than giving back the emitter when the element has no
    // picture.
    void setFromTemplate(HoScenesMatch3 *owner, const FigureTemplate &figureTemplate, int32_t mode);
    // Gives the emitter back and forgets the element: the free state.
    void clear();
    void releaseEmitter();
    bool hasParticles() const;
    // One board step of a particle layer: the lifetime, then the emitter at the figure's place.
    void stepEmitter(const Match3Figure &figure);
    // Draws the layer for the figure, turned by the angle.
    void draw(const Match3Figure &figure, float angle);

    HoScenesMatch3 *scene = nullptr;
    SceneElement *element = nullptr;
    HoTexture *picture = nullptr;
    bool active = false;
    bool animated = false;
    int32_t frame = 0;
    float counter = 0.0f;
    float lifetime = 0.0f; // 0: none
    double lastFrameTime = 0.0; // world time in ms
    bool emitting = false;
    float source[4] = {}; // left, top, right, bottom of the frame, in picture pixels
    ParticleEmitter *emitter = nullptr;

private:
    // Columns and rows of the picture's sheet (1 x 1 for a still picture) and its frame rate.
    void sheetOf(int32_t &columns, int32_t &rows, float &framesPerSecond) const;
    void advanceFrames();
    void computeFrameRect();
    void bindEmitter();
    void drawEmitter(const Match3Figure &figure);
};
