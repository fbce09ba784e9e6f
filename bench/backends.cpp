// The renderer backends on the game's typical frame at 1800x1080 (an opaque picture 1:1, four blended
// layers, 150 turned and scaled sprites, 500 additive particles in a batch), drawn through the picture and
// batch interfaces. Two comparisons, printed last, medians of 9 frames, one thread each:
//   backends gl calls: the OpenGL backend against the same textures and draws issued as plain GL calls,
//     into a 16x16 window so that llvmpipe's filling costs little and the calls themselves show;
//   backends gl frame: the whole frame on OpenGL (llvmpipe) against the Direct3D 9 device;
//   backends d3d8 frame: the whole frame through the Direct3D 8 backend against the Direct3D 9 one, both on
//     the same software device;
//   backends d3d8 calls: the same two drawing the frame into a 16x16 render target, so that the device face,
//     the backend and its state cache are what is timed rather than the filling of pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/graphics/KGraphicFactory.h"
#include "engine/graphics/d3d8/KRendererSetupD3D8.h"
#include "engine/graphics/opengl/KGraphicGL.h"
#include "engine/graphics/opengl/KRendererSetupGL.h"
#include "engine/window/KWindowD3D9.h"
#include "platform/DeviceHooks.h"
#include "platform/WinUser.h"

namespace {

constexpr int kFrameWidth = 1800, kFrameHeight = 1080;
constexpr int kFrames = 9;

struct Image {
    int w, h;
    std::vector<uint32_t> pixels;
};

Image makeImage(int w, int h, bool opaque, uint32_t seed) {
    Image image{w, h, std::vector<uint32_t>((size_t)w * h)};
    std::minstd_rand random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t alpha = opaque ? 255u : (uint32_t)((x + 2 * y + (random() & 31)) & 255);
            image.pixels[(size_t)y * w + x] =
                alpha << 24 | (uint32_t)(x * 255 / w) << 16 | (uint32_t)(y * 255 / h) << 8 | (random() & 255);
        }
    return image;
}

struct Sprite {
    float x, y, zoom, angle;
};

// What one frame draws, the same for every renderer.
struct Workload {
    Image background = makeImage(kFrameWidth, kFrameHeight, true, 1);
    std::vector<Image> layers;
    Image sprite = makeImage(128, 128, false, 30), particle = makeImage(16, 16, false, 40);
    std::vector<Sprite> sprites, particles;

    Workload() {
        for (uint32_t i = 0; i < 4; ++i)
            layers.push_back(makeImage(kFrameWidth, kFrameHeight, false, 10 + i));
        std::minstd_rand random(99);
        auto uniform = [&](float low, float high) { return low + (high - low) * (float)(random() % 10000) / 9999.0f; };
        for (int i = 0; i < 150; ++i)
            sprites.push_back({uniform(0, kFrameWidth), uniform(0, kFrameHeight), uniform(0.5f, 2), uniform(0, 360)});
        for (int i = 0; i < 500; ++i)
            particles.push_back({uniform(0, kFrameWidth), uniform(0, kFrameHeight), 1, 0});
    }
};

Workload &workload() {
    static Workload frame;
    return frame;
}

// The frame through the interfaces, on whichever renderer the factories make.
class InterfaceFrame {
public:
    InterfaceFrame() {
        Workload &w = workload();
        background = upload(w.background, false);
        for (const Image &layer : w.layers)
            layers.push_back(upload(layer, true));
        sprite = upload(w.sprite, true);
        sprite->setSmoothFiltering(true);
        particle = upload(w.particle, true);
        particle->setBlendPreset(0);
        particles.reset(createKBatch());
        particles->allocateQuads(1024);
    }

    void draw() {
        Workload &w = workload();
        background->drawImageRect(0, 0, kFrameWidth, kFrameHeight, 0, 0, false, false);
        for (auto &layer : layers)
            layer->drawImageRectBlended(0, 0, kFrameWidth, kFrameHeight, 0, 0, false, false);
        for (const Sprite &s : w.sprites)
            sprite->drawImageRectBlendedTransformedF(0, 0, 128, 128, s.x - 64, s.y - 64, s.angle, s.zoom, 1.0f, false,
                                                     false, 0, 0);
        particles->startBatch(particle.get());
        for (const Sprite &p : w.particles)
            particles->addImageRect(0, 0, 16, 16, p.x - 8, p.y - 8, false, false);
        particles->flushBatch();
    }

private:
    std::unique_ptr<KGraphic> background, sprite, particle;
    std::vector<std::unique_ptr<KGraphic>> layers;
    std::unique_ptr<KBatch> particles;

    static std::unique_ptr<KGraphic> upload(const Image &image, bool alpha) {
        std::unique_ptr<KGraphic> picture(createKGraphic());
        if (!picture || !picture->createFromPixels(image.pixels.data(), image.w, image.h, true, alpha)) {
            std::fprintf(stderr, "backends: couldn't make a picture\n");
            std::exit(1);
        }
        return picture;
    }
};

// The same frame as plain OpenGL calls over textures of its own, with the backend's texture sizes.
class BareFrame {
public:
    BareFrame() {
        Workload &w = workload();
        background = upload(w.background, GL_RGB);
        for (const Image &layer : w.layers)
            layers.push_back(upload(layer, GL_RGBA));
        sprite = upload(w.sprite, GL_RGBA);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        particle = upload(w.particle, GL_RGBA);
        positions.resize(w.particles.size() * 8);
        texCoords.resize(w.particles.size() * 8);
        colors.assign(w.particles.size() * 16, 1.0f);
    }
    ~BareFrame() {
        glDeleteTextures(1, &background.id);
        for (Texture &layer : layers)
            glDeleteTextures(1, &layer.id);
        glDeleteTextures(1, &sprite.id);
        glDeleteTextures(1, &particle.id);
    }

    void draw() {
        Workload &w = workload();
        float h = (float)viewHeight;
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glColor4f(1, 1, 1, 1);
        glDisable(GL_BLEND);
        quad(background, 0, h, kFrameWidth, h - kFrameHeight);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (Texture &layer : layers)
            quad(layer, 0, h, kFrameWidth, h - kFrameHeight);
        for (const Sprite &s : w.sprites) {
            glPushMatrix();
            glTranslatef(s.x, h - s.y, 0);
            glRotatef(s.angle, 0, 0, 1);
            glScalef(s.zoom, s.zoom, 1);
            quad(sprite, -64, 64, 64, -64);
            glPopMatrix();
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glBindTexture(GL_TEXTURE_2D, particle.id);
        float u = 16.0f / particle.width, v = 16.0f / particle.height;
        for (size_t i = 0; i < w.particles.size(); ++i) {
            float x = w.particles[i].x - 8, y = h - (w.particles[i].y - 8);
            const float corners[8] = {x, y, x + 16, y, x + 16, y - 16, x, y - 16};
            const float uv[8] = {0, 0, u, 0, u, v, 0, v};
            std::copy(corners, corners + 8, &positions[i * 8]);
            std::copy(uv, uv + 8, &texCoords[i * 8]);
        }
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, positions.data());
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
        glColorPointer(4, GL_FLOAT, 0, colors.data());
        glDrawArrays(GL_QUADS, 0, (GLsizei)(w.particles.size() * 4));
        glDisableClientState(GL_COLOR_ARRAY);
    }

    int viewHeight = 0;

private:
    struct Texture {
        GLuint id = 0;
        float width = 0, height = 0;
    };
    Texture background, sprite, particle;
    std::vector<Texture> layers;
    std::vector<float> positions, texCoords, colors;
    float quadPositions[8], quadTexCoords[8];

    static Texture upload(const Image &image, GLint format) {
        Texture texture;
        int side = 1;
        while (side < std::max(image.w, image.h))
            side <<= 1;
        std::vector<uint32_t> padded((size_t)side * side, 0);
        for (int y = 0; y < image.h; ++y)
            std::copy_n(&image.pixels[(size_t)y * image.w], image.w, &padded[(size_t)y * side]);
        glGenTextures(1, &texture.id);
        glBindTexture(GL_TEXTURE_2D, texture.id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, format, side, side, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, padded.data());
        texture.width = texture.height = (float)side;
        return texture;
    }

    // A picture's whole image between two corners (y already flipped).
    void quad(const Texture &texture, float left, float top, float right, float bottom) {
        glBindTexture(GL_TEXTURE_2D, texture.id);
        float u = (right - left) / texture.width, v = (top - bottom) / texture.height;
        const float p[8] = {left, top, right, top, left, bottom, right, bottom};
        const float t[8] = {0, 0, u, 0, 0, v, u, v};
        std::copy(p, p + 8, quadPositions);
        std::copy(t, t + 8, quadTexCoords);
        glVertexPointer(2, GL_FLOAT, 0, quadPositions);
        glTexCoordPointer(2, GL_FLOAT, 0, quadTexCoords);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
};

double millisecondsOf(const std::function<void()> &frame) {
    auto start = std::chrono::steady_clock::now();
    frame();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::vector<double> oursCalls, bareCalls, glFrames, d3d9Frames;

// Each iteration draws with each side once, in turn, so that load from elsewhere falls on both alike.
void glCalls(benchmark::State &state) {
    setRendererType(1);
    KRendererSetupGL setup;
    if (!setup.create(16, 16)) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    InterfaceFrame ours;
    BareFrame bare;
    bare.viewHeight = 16;
    for (auto _ : state) {
        double time = millisecondsOf([&] {
            setup.clear();
            ours.draw();
            glFinish();
        });
        oursCalls.push_back(time);
        bareCalls.push_back(millisecondsOf([&] {
            setup.clear();
            bare.draw();
            glFinish();
        }));
        // The backend's caches do not know what the plain calls changed.
        KGraphicGL::bindWindow(&setup);
        state.SetIterationTime(time / 1000.0);
    }
}

void fullFrames(benchmark::State &state) {
    setRendererType(1);
    KRendererSetupGL setup;
    if (!setup.create(kFrameWidth, kFrameHeight)) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    InterfaceFrame onOpenGL;
    setRendererType(3);
    KWindowD3D9 window;
    if (!window.createGameWindow(kFrameWidth, kFrameHeight, 32, true, "backends")) {
        state.SkipWithError("no Direct3D 9 window");
        return;
    }
    InterfaceFrame onDirect3D9;
    for (auto _ : state) {
        double time = millisecondsOf([&] {
            setup.clear();
            onOpenGL.draw();
            glFinish();
        });
        glFrames.push_back(time);
        d3d9Frames.push_back(millisecondsOf([&] {
            window.setViewTransform(0, 0, 0, 1.0f, true);
            onDirect3D9.draw();
            // Locking the back buffer waits for the rasteriser.
            IDirect3DSurface9 *back = nullptr;
            window.getDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
            D3DLOCKED_RECT locked;
            back->LockRect(&locked, nullptr, D3DLOCK_READONLY);
            back->UnlockRect();
            back->Release();
        }));
        state.SetIterationTime(time / 1000.0);
    }
}

// Locking the back buffer waits for the rasteriser.
template <typename Surface> void waitForPixels(Surface *backBuffer) {
    D3DLOCKED_RECT locked;
    if (backBuffer && SUCCEEDED(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        backBuffer->UnlockRect();
}

std::unique_ptr<KGraphic> smallTarget() {
    std::unique_ptr<KGraphic> target(createKGraphic());
    if (!target || !target->createRenderTarget(16, 16, true, true, false)) {
        std::fprintf(stderr, "backends: couldn't make a render target\n");
        std::exit(1);
    }
    return target;
}

std::vector<double> direct3D8Times[2], direct3D9Times[2]; // [whole frame, into a 16x16 target]

void direct3D8Against9(benchmark::State &state, int intoTarget) {
    setRendererType(0);
    KRendererSetupD3D8 setup;
    KRendererSetupD3D8::Options options;
    options.designWidth = kFrameWidth;
    options.designHeight = kFrameHeight;
    if (!setup.create(options)) {
        state.SkipWithError("no Direct3D 8 device");
        return;
    }
    InterfaceFrame onDirect3D8;
    std::unique_ptr<KGraphic> target8 = smallTarget();
    setRendererType(3);
    KWindowD3D9 window;
    if (!window.createGameWindow(kFrameWidth, kFrameHeight, 32, true, "backends")) {
        state.SkipWithError("no Direct3D 9 window");
        return;
    }
    InterfaceFrame onDirect3D9;
    std::unique_ptr<KGraphic> target9 = smallTarget();
    IDirect3DSurface8 *back8 = nullptr;
    IDirect3DSurface9 *back9 = nullptr;
    setup.getDevice()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back8);
    window.getDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back9);
    auto frameOn = [&](InterfaceFrame &frame, KGraphic &target) {
        if (intoTarget)
            target.beginRenderToTarget();
        frame.draw();
        if (intoTarget)
            target.endRenderToTarget();
    };
    for (auto _ : state) {
        double time = millisecondsOf([&] {
            setup.setViewTransform(0, 0, 0, 1.0f, true);
            frameOn(onDirect3D8, *target8);
            waitForPixels(back8);
        });
        direct3D8Times[intoTarget].push_back(time);
        direct3D9Times[intoTarget].push_back(millisecondsOf([&] {
            window.setViewTransform(0, 0, 0, 1.0f, true);
            frameOn(onDirect3D9, *target9);
            waitForPixels(back9);
        }));
        state.SetIterationTime(time / 1000.0);
    }
    back8->Release();
    back9->Release();
}

} // namespace

int main(int argc, char **argv) {
    // One thread each: llvmpipe's and the software device's.
    setenv("LP_NUM_THREADS", "1", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    deviceHooksSetThreadCount(1);
    DEVMODEW desktop{};
    desktop.dmPelsWidth = 2560;
    desktop.dmPelsHeight = 1600;
    platformSetVirtualDesktop(2560, 1600, &desktop, 1);
    benchmark::RegisterBenchmark("backends/gl_calls", glCalls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(kFrames);
    benchmark::RegisterBenchmark("backends/gl_frame", fullFrames)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(kFrames);
    benchmark::RegisterBenchmark("backends/d3d8_frame", direct3D8Against9, 0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(kFrames);
    benchmark::RegisterBenchmark("backends/d3d8_calls", direct3D8Against9, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(kFrames);
    benchmark::Initialize(&argc, argv);
    // Plain text: colour escapes would run into the summary lines.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    double ours = median(oursCalls), bare = median(bareCalls), gl = median(glFrames), d3d9 = median(d3d9Frames);
    std::printf("backends gl calls ours_ms=%.2f bare_gl_ms=%.2f ratio=%.2f\n", ours, bare, bare > 0 ? ours / bare : 0.0);
    std::printf("backends gl frame gl_ms=%.2f d3d9_ms=%.2f ratio=%.2f\n", gl, d3d9, d3d9 > 0 ? gl / d3d9 : 0.0);
    const char *measures[2] = {"frame", "calls"};
    for (int measure = 0; measure < 2; ++measure) {
        double ours8 = median(direct3D8Times[measure]), theirs9 = median(direct3D9Times[measure]);
        std::printf("backends d3d8 %s ours_ms=%.3f d3d9_ms=%.3f ratio=%.2f\n", measures[measure], ours8, theirs9,
                    theirs9 > 0 ? ours8 / theirs9 : 0.0);
    }
    return 0;
}
