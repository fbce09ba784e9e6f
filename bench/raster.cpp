// Speed of the software Direct3D device against pixman on the game's typical workloads at 1800x1080:
// textured quads of two triangles with vertex colour, drawn through the device the way the engine
// draws them, and the same pictures composited by pixman. Then the reuse of unchanged rows: the typical
// scene presented 60 times unchanged ("still") and with one sprite moving ("one-sprite"), with and without
// reuse. Prints the processor and the chosen kernels, one summary line per workload and a memcpy floor last.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/D3D9.h"
#include "platform/DeviceHooks.h"
#include "platform/SoftRasterizer.h"
#include "platform/WinBase.h"
#include "platform/WindowSurface.h"

namespace {

constexpr int screenW = 1800, screenH = 1080;
constexpr int stillFrames = 60;

struct VertexL {
    float x, y, z;
    DWORD color;
    float u, v;
};

// One picture: its pixels (non-premultiplied ARGB for the device, premultiplied for pixman).
struct Picture {
    int w = 0, h = 0, texW = 0, texH = 0;
    std::vector<uint32_t> argb;
};

Picture makePicture(int w, int h, int texW, int texH, bool opaque, uint32_t seed) {
    Picture p;
    p.w = w;
    p.h = h;
    p.texW = texW;
    p.texH = texH;
    p.argb.assign((size_t)texW * texH, 0);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t a = opaque ? 255 : (uint32_t)((x * 3 + y * 5 + (random() & 63)) & 255);
            uint32_t r = (x * 255 / std::max(1, w - 1)), g = (y * 255 / std::max(1, h - 1)), b = random() & 255;
            p.argb[(size_t)y * texW + x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    return p;
}

// A placed picture: centre, scale, angle, blend.
struct Placement {
    const Picture *picture;
    float cx, cy, scale, angleDeg;
    bool blend, additive;
};

// The four corners on screen in triangle-strip order (top left, top right, bottom left, bottom right of
// the picture), rotated about the centre.
std::array<std::array<float, 2>, 4> corners(const Placement &item) {
    const Picture *p = item.picture;
    float hw = p->w * item.scale / 2, hh = p->h * item.scale / 2;
    float c = std::cos(item.angleDeg * 0.017453292f), s = std::sin(item.angleDeg * 0.017453292f);
    const float offsets[4][2] = {{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}};
    std::array<std::array<float, 2>, 4> out;
    for (int k = 0; k < 4; ++k)
        out[k] = {item.cx + offsets[k][0] * c - offsets[k][1] * s, item.cy + offsets[k][0] * s + offsets[k][1] * c};
    return out;
}

struct Workload {
    std::string name;
    std::vector<Placement> items;
};

struct Scene {
    Picture background, layer[10], sprite, particle, mover;
    std::vector<Workload> workloads;

    Scene() {
        background = makePicture(screenW, screenH, 2048, 2048, true, 1);
        for (int i = 0; i < 10; ++i)
            layer[i] = makePicture(screenW, screenH, 2048, 2048, false, 10 + i);
        sprite = makePicture(128, 128, 128, 128, false, 30);
        particle = makePicture(16, 16, 16, 16, false, 40);
        mover = makePicture(64, 64, 64, 64, false, 50);
        std::mt19937 random(99);
        auto uniform = [&](float a, float b) { return a + (b - a) * (float)(random() & 0xFFFF) / 65535.0f; };
        auto full = [&](const Picture *p, bool blend) { return Placement{p, screenW / 2.0f, screenH / 2.0f, 1, 0, blend, false}; };
        auto sprites = [&](int n, std::vector<Placement> &out) {
            for (int i = 0; i < n; ++i)
                out.push_back({&sprite, uniform(0, screenW), uniform(0, screenH), uniform(0.5f, 2.0f), uniform(0, 360), true, false});
        };
        auto particles = [&](int n, std::vector<Placement> &out) {
            for (int i = 0; i < n; ++i)
                out.push_back({&particle, uniform(0, screenW), uniform(0, screenH), 1, 0, true, true});
        };
        Workload a{"opaque", {full(&background, false)}};
        Workload b{"layers10", {}};
        for (int i = 0; i < 10; ++i)
            b.items.push_back(full(&layer[i], true));
        Workload c{"sprites300", {}};
        sprites(300, c.items);
        Workload d{"particles2000", {}};
        particles(2000, d.items);
        Workload e{"typical", {full(&background, false)}};
        for (int i = 0; i < 4; ++i)
            e.items.push_back(full(&layer[i], true));
        sprites(150, e.items);
        particles(500, e.items);
        workloads = {a, b, c, d, e};
    }

    const Workload &typical() const { return workloads.back(); }

    // Frame f of the one-sprite sequence: the moving sprite, unrotated, off the pixel grid.
    Placement moverAt(int frame) const {
        return {&mover, 300 + 11.3f * (frame % 100), 200 + 6.7f * (frame % 100), 1, 0, true, false};
    }
};

Scene &scene() {
    static Scene s;
    return s;
}

// The device side: one device per thread count and reuse setting; textures uploaded at first use.
struct DeviceRig {
    HWND window = nullptr;
    IDirect3D9 *d3d = nullptr;
    IDirect3DDevice9 *device = nullptr;
    std::map<const Picture *, IDirect3DTexture9 *> textures;

    DeviceRig(int threads, bool reuse) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        deviceHooksSetThreadCount(threads);
        deviceHooksSetFrameReuse(reuse);
        window = platformCreateTestWindow(screenW, screenH);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = screenW;
        pp.BackBufferHeight = screenH;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        if (!window || !d3d ||
            d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK) {
            std::fprintf(stderr, "raster: no device\n");
            std::exit(1);
        }
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        D3DMATRIX projection{}, view{};
        projection._11 = 2.0f / screenW;
        projection._22 = 2.0f / screenH;
        projection._33 = projection._44 = 1;
        view._11 = view._22 = view._33 = view._44 = 1;
        view._41 = -screenW / 2.0f;
        view._42 = screenH / 2.0f;
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    }

    ~DeviceRig() {
        device->SetTexture(0, nullptr);
        for (auto &entry : textures)
            entry.second->Release();
        device->Release();
        d3d->Release();
        platformDestroyTestWindow(window);
    }

    IDirect3DTexture9 *texture(const Picture *p) {
        IDirect3DTexture9 *&texture = textures[p];
        if (texture)
            return texture;
        device->CreateTexture(p->texW, p->texH, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
        D3DLOCKED_RECT locked;
        texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD);
        for (int y = 0; y < p->texH; ++y)
            std::memcpy((uint8_t *)locked.pBits + (size_t)y * locked.Pitch, &p->argb[(size_t)y * p->texW], p->texW * 4);
        texture->UnlockRect(0);
        return texture;
    }

    // Uploads, before any frame is timed, the pictures a workload draws.
    void prepare(const Workload &w, const Placement *extra = nullptr) {
        for (const Placement &item : w.items)
            texture(item.picture);
        if (extra)
            texture(extra->picture);
    }

    // Every placement as a strip of two triangles, corners rotated about the centre.
    void drawItem(const Placement &item) {
        const Picture *p = item.picture;
        device->SetTexture(0, texture(p));
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, item.blend);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, item.additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
        float u1 = (float)p->w / p->texW, v1 = (float)p->h / p->texH;
        const float uv[4][2] = {{0, 0}, {u1, 0}, {0, v1}, {u1, v1}};
        auto at = corners(item);
        VertexL quad[4];
        for (int k = 0; k < 4; ++k)
            quad[k] = {at[k][0] - 0.5f, -(at[k][1] - 0.5f), 0, 0xFFFFFFFF, uv[k][0], uv[k][1]};
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexL));
    }

    void drawScene(const Workload &w, const Placement *extra = nullptr) {
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (const Placement &item : w.items)
            drawItem(item);
        if (extra)
            drawItem(*extra);
        device->EndScene();
    }

    void lockBackBuffer() { benchsupport::waitForRasteriser(device); }

    void draw(const Workload &w) {
        drawScene(w);
        lockBackBuffer();
    }

    // The still and one-sprite sequences: presented frames, starting from a back buffer the device has
    // not drawn (so the first frame is drawn in full). The time is per frame.
    double presentSequence(bool moving) {
        lockBackBuffer();
        auto start = std::chrono::steady_clock::now();
        for (int f = 0; f < stillFrames; ++f) {
            Placement mover = scene().moverAt(f);
            drawScene(scene().typical(), moving ? &mover : nullptr);
            device->Present(nullptr, nullptr, nullptr, nullptr);
        }
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / stillFrames;
    }
};

// The peer: pixman with premultiplied pictures, OVER for blended, ADD for additive, SRC for opaque,
// bilinear transforms where a picture is moved off-grid, scaled or rotated.
struct PixmanRig {
    std::vector<uint32_t> target;
    pixman_image_t *dest = nullptr;
    std::map<const Picture *, std::vector<uint32_t>> premultiplied;
    std::map<const Picture *, pixman_image_t *> images;

    PixmanRig() {
        target.assign((size_t)screenW * screenH, 0);
        dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, screenW, screenH, target.data(), screenW * 4);
        Scene &s = scene();
        add(&s.background);
        for (Picture &p : s.layer)
            add(&p);
        add(&s.sprite);
        add(&s.particle);
    }

    ~PixmanRig() {
        for (auto &entry : images)
            pixman_image_unref(entry.second);
        pixman_image_unref(dest);
    }

    void add(const Picture *p) {
        std::vector<uint32_t> &pm = premultiplied[p];
        pm.resize((size_t)p->w * p->h);
        for (int y = 0; y < p->h; ++y)
            for (int x = 0; x < p->w; ++x) {
                uint32_t c = p->argb[(size_t)y * p->texW + x], a = c >> 24;
                auto ch = [&](int s) { return (((c >> s) & 0xFF) * a + 127) / 255; };
                pm[(size_t)y * p->w + x] = (a << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
            }
        images[p] = pixman_image_create_bits(PIXMAN_a8r8g8b8, p->w, p->h, pm.data(), p->w * 4);
    }

    void draw(const Workload &w) {
        pixman_color_t black = {0, 0, 0, 0xFFFF};
        pixman_image_t *fill = pixman_image_create_solid_fill(&black);
        pixman_image_composite32(PIXMAN_OP_SRC, fill, nullptr, dest, 0, 0, 0, 0, 0, 0, screenW, screenH);
        pixman_image_unref(fill);
        for (const Placement &item : w.items) {
            const Picture *p = item.picture;
            pixman_image_t *src = images[p];
            pixman_op_t op = !item.blend ? PIXMAN_OP_SRC : item.additive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
            bool axisAligned = item.angleDeg == 0 && item.scale == 1;
            float left = item.cx - p->w * item.scale / 2, top = item.cy - p->h * item.scale / 2;
            if (axisAligned && left == std::floor(left) && top == std::floor(top)) {
                pixman_image_set_transform(src, nullptr);
                pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
                pixman_image_composite32(op, src, nullptr, dest, 0, 0, 0, 0, (int)left, (int)top, p->w, p->h);
                continue;
            }
            // Destination-to-source transform: translate to the centre, rotate back, unscale.
            double c = std::cos(item.angleDeg * 0.017453292), s = std::sin(item.angleDeg * 0.017453292);
            double inv = 1.0 / item.scale;
            pixman_f_transform ft;
            pixman_f_transform_init_identity(&ft);
            pixman_f_transform_translate(&ft, nullptr, -item.cx, -item.cy);
            pixman_f_transform_rotate(&ft, nullptr, c, -s);
            pixman_f_transform_scale(&ft, nullptr, inv, inv);
            pixman_f_transform_translate(&ft, nullptr, p->w / 2.0, p->h / 2.0);
            pixman_transform_t t;
            pixman_transform_from_pixman_f_transform(&t, &ft);
            pixman_image_set_transform(src, &t);
            pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
            pixman_image_set_repeat(src, PIXMAN_REPEAT_NONE);
            // The bounding box of the four corners plus one pixel: every pixel the picture reaches.
            float minX = screenW, minY = screenH, maxX = 0, maxY = 0;
            for (const auto &corner : corners(item)) {
                minX = std::min(minX, corner[0]);
                maxX = std::max(maxX, corner[0]);
                minY = std::min(minY, corner[1]);
                maxY = std::max(maxY, corner[1]);
            }
            int x0 = std::max(0, (int)std::floor(minX) - 1), y0 = std::max(0, (int)std::floor(minY) - 1);
            int x1 = std::min(screenW, (int)std::ceil(maxX) + 1), y1 = std::min(screenH, (int)std::ceil(maxY) + 1);
            if (x1 > x0 && y1 > y0)
                pixman_image_composite32(op, src, nullptr, dest, x0, y0, 0, 0, x0, y0, x1 - x0, y1 - y0);
        }
        benchmark::DoNotOptimize(target.data());
    }
};

std::map<std::string, std::vector<double>> timings; // "workload/renderer" -> ms per frame

template <typename Draw> double milliseconds(Draw draw) {
    auto start = std::chrono::steady_clock::now();
    draw();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int coreCount() { return platformUsableProcessorCount(); }

struct Renderer {
    std::string name;
    std::function<double()> frame; // ms per frame
};

// Each iteration runs every renderer once, in turn, in the next of all their orders: load from elsewhere
// on the machine falls on all of them alike, and each runs as often after each other one (which decides
// what is left in the caches) and at each place. The iteration time reported is the first renderer's.
void inTurns(benchmark::State &state, const std::string &workload, const std::vector<Renderer> &renderers) {
    std::vector<size_t> order(renderers.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    for (auto _ : state) {
        double first = 0;
        for (size_t index : order) {
            double ms = renderers[index].frame();
            timings[workload + "/" + renderers[index].name].push_back(ms);
            if (index == 0)
                first = ms;
        }
        std::next_permutation(order.begin(), order.end());
        state.SetIterationTime(first / 1000.0);
    }
}

// The rigs of the pixman comparison: full rasterising (no reuse), on one thread and on every core.
DeviceRig &oneThread() {
    static DeviceRig rig(1, false);
    return rig;
}
DeviceRig &allCores() {
    static DeviceRig rig(coreCount(), false);
    return rig;
}

void compareWithPixman(benchmark::State &state, size_t index) {
    static PixmanRig pixman;
    const Workload &w = scene().workloads[index];
    oneThread().prepare(w);
    allCores().prepare(w);
    inTurns(state, w.name,
            {{"ours", [&] { return milliseconds([&] { oneThread().draw(w); }); }},
             {"ours_mt", [&] { return milliseconds([&] { allCores().draw(w); }); }},
             {"pixman", [&] { return milliseconds([&] { pixman.draw(w); }); }}});
}

// Reuse against full rasterising, one thread each.
void compareReuse(benchmark::State &state, bool moving) {
    static DeviceRig reusing(1, true);
    const Placement mover = scene().moverAt(0);
    for (DeviceRig *rig : {&reusing, &oneThread()})
        rig->prepare(scene().typical(), &mover);
    inTurns(state, moving ? "one-sprite" : "still",
            {{"reuse", [&] { return reusing.presentSequence(moving); }},
             {"full", [&] { return oneThread().presentSequence(moving); }}});
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The floor: copying one frame's bytes.
double memcpyMilliseconds() {
    std::vector<uint32_t> from((size_t)screenW * screenH, 0x12345678u), to(from.size());
    std::vector<double> samples;
    for (int i = 0; i < 25; ++i)
        samples.push_back(milliseconds([&] {
            std::memcpy(to.data(), from.data(), from.size() * 4);
            benchmark::DoNotOptimize(to.data());
        }));
    return median(samples);
}

std::string processorModel() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

} // namespace

int main(int argc, char **argv) {
    const char *names[] = {"opaque", "layers10", "sprites300", "particles2000", "typical"};
    for (size_t i = 0; i < 5; ++i)
        benchmark::RegisterBenchmark((std::string("raster/") + names[i]).c_str(), compareWithPixman, i)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(30); // five times each of the six orders
    for (bool moving : {false, true})
        benchmark::RegisterBenchmark(moving ? "raster/one-sprite" : "raster/still", compareReuse, moving)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(6);
    benchmark::Initialize(&argc, argv);
    // Plain text: colour escapes would run into the summary lines.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("raster cpu model=\"%s\" kernels=%s cores=%d\n", processorModel().c_str(),
                softraster::kernelSetName(softraster::activeKernelSet()), coreCount());
    for (const char *name : names) {
        double ours = median(timings[std::string(name) + "/ours"]);
        double oursMt = median(timings[std::string(name) + "/ours_mt"]);
        double pixman = median(timings[std::string(name) + "/pixman"]);
        if (pixman > 0)
            std::printf("raster %s ours_ms=%.2f ours_mt_ms=%.2f pixman_ms=%.2f ratio=%.2f ratio_mt=%.2f\n", name, ours,
                        oursMt, pixman, ours / pixman, oursMt / pixman);
    }
    for (const char *name : {"still", "one-sprite"}) {
        double reuse = median(timings[std::string(name) + "/reuse"]);
        double full = median(timings[std::string(name) + "/full"]);
        if (full > 0)
            std::printf("raster %s reuse_ms=%.2f full_ms=%.2f ratio=%.3f\n", name, reuse, full, reuse / full);
    }
    std::printf("raster memcpy bytes=%zu ms=%.3f\n", (size_t)screenW * screenH * 4, memcpyMilliseconds());
    return 0;
}
