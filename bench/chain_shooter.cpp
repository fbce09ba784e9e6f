// The chain shooter on one thread, median of 9 runs.
// - The path: 300 control points on a wave, built into its spline samples and walked into unit points
//   with their headings, against a plain sampler and walker written here, which must give the same points.
// - The step: one update of a chain-shooter scene whose chain holds 300 balls of three nodes (a ball with
//   two children), with a shot gliding into its slot (the insertion running), as a share of the 10 ms step.
// The comparison lines are printed last.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchGame.h"
#include "engine/system/KSystem.h"
#include "game/minigames/chainshooter/HoSceneZuma.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptVariable.h"
#include "game/world/HoWorld.h"
#include "tests/support/PngTestSupport.h"

namespace {

constexpr int kRuns = 9;
constexpr int kControlPoints = 300;
constexpr int kBalls = 300;
constexpr int kUpdatesPerRun = 20;
constexpr double kStepMicroseconds = 10000.0;

std::vector<ScreenPoint> waveControls() {
    std::vector<ScreenPoint> controls;
    for (int i = 0; i < kControlPoints; ++i)
        controls.push_back({float(i) * 25.0f, 700.0f + 300.0f * std::sin(float(i) * 0.3f)});
    return controls;
}

// ---- A plain sampler and walker: the same arithmetic on bare arrays ----

struct PlainPath {
    std::vector<float> xs, ys, headings;
};

void plainPath(const std::vector<ScreenPoint> &controls, PlainPath &out) {
    const int n = int(controls.size());
    std::vector<float> cx(size_t(n) + 2), cy(size_t(n) + 2);
    for (int i = 0; i < n; ++i) {
        cx[size_t(i) + 1] = controls[size_t(i)].x;
        cy[size_t(i) + 1] = controls[size_t(i)].y;
    }
    cx[0] = cx[1];
    cy[0] = cy[1];
    cx[size_t(n) + 1] = cx[size_t(n)];
    cy[size_t(n) + 1] = cy[size_t(n)];
    std::vector<float> sx(size_t(n + 2) * 100), sy(size_t(n + 2) * 100);
    int count = 0;
    float length = 0.0f;
    for (int s = 0; s < n - 1; ++s) {
        for (double t = 0.0; t < 1.0; t += 0.01) {
            const double t2 = t * t, t3 = t2 * t;
            const double a = -t3 + 2.0 * t2 - t, b = 3.0 * t3 - 5.0 * t2 + 2.0, c = -3.0 * t3 + 4.0 * t2 + t,
                         d = t3 - t2;
            sx[size_t(count)] = float(0.5 * (a * cx[size_t(s)] + b * cx[size_t(s) + 1] + c * cx[size_t(s) + 2] +
                                             d * cx[size_t(s) + 3]));
            sy[size_t(count)] = float(0.5 * (a * cy[size_t(s)] + b * cy[size_t(s) + 1] + c * cy[size_t(s) + 2] +
                                             d * cy[size_t(s) + 3]));
            if (count > 0) {
                const float dx = sx[size_t(count)] - sx[size_t(count) - 1], dy = sy[size_t(count)] - sy[size_t(count) - 1];
                length += std::sqrt(dx * dx + dy * dy);
            }
            ++count;
        }
    }
    const size_t room = size_t(length) + 1;
    out.xs.assign(room, 0.0f);
    out.ys.assign(room, 0.0f);
    out.headings.assign(room, 0.0f);
    float px = sx[0], py = sy[0];
    out.xs[0] = px;
    out.ys[0] = py;
    size_t points = 1;
    for (int i = 1; i < count && points < room; ++i) {
        float dx = sx[size_t(i)] - px, dy = sy[size_t(i)] - py;
        const float heading = std::atan2(dx, dy) * 57.295776f;
        for (float d = std::sqrt(dx * dx + dy * dy); d >= 1.0f && points < room; d = std::sqrt(dx * dx + dy * dy)) {
            px += dx / d;
            py += dy / d;
            out.xs[points] = px;
            out.ys[points] = py;
            out.headings[points - 1] = heading;
            ++points;
            dx = sx[size_t(i)] - px;
            dy = sy[size_t(i)] - py;
        }
    }
    out.xs.resize(points);
    out.ys.resize(points);
    out.headings.resize(points - 1);
}

bool samePaths(const ChainPath &ours, const PlainPath &plain) {
    if (size_t(ours.pointCount()) != plain.xs.size() || ours.headings.size() != plain.headings.size())
        return false;
    for (size_t i = 0; i < plain.xs.size(); ++i) {
        if (ours.points[i].x != plain.xs[i] || ours.points[i].y != plain.ys[i])
            return false;
    }
    return std::memcmp(ours.headings.data(), plain.headings.data(), plain.headings.size() * sizeof(float)) == 0;
}

// ---- The scene ----

constexpr int kPathElements = 40;

std::string pathElementName(int i) {
    std::string name = "p";
    name += std::to_string(i);
    return name;
}

// The ball templates (a ball with a ring and a dot), the renderer, the gun and its places, and the
// path's control elements along a long wave.
bool writeContent(const std::filesystem::path &folder) {
    const std::filesystem::path scene = folder / "data/scenes/zuma";
    bool written = true;
    for (auto [name, colour] : {std::pair{"red.png", 0xFFC02020u}, {"green.png", 0xFF20C020u},
                                {"blue.png", 0xFF2020C0u}, {"ring.png", 0x80FFFFFFu}, {"board.png", 0xFF404040u}})
        written = written && lftest::writePng(scene / name, 8, 8, std::vector<uint32_t>(64, colour));
    std::string text;
    auto element = [&text](const std::string &name, const char *parent, const char *picture, int size, float x,
                           float y) {
        text.append("O ").append(name).append("\n");
        if (parent)
            text.append("P ").append(parent).append("\n");
        if (picture)
            text.append("I ").append(picture).append("\n");
        const std::string side = std::to_string(size);
        text.append("W ").append(side).append("\nH ").append(side).append("\nR 1\nK 1\nS 1\nK 1\nX 1\nK ");
        text.append(std::to_string(x)).append("\nY 1\nK ").append(std::to_string(y)).append("\n");
    };
    for (const char *colour : {"red", "green", "blue"}) {
        element(colour, nullptr, (std::string(colour) + ".png").c_str(), 40, -200, -200);
        element(std::string(colour) + "_ring", colour, "ring.png", 48, 0, 0);
        element(std::string(colour) + "_dot", colour, "ring.png", 8, 10, 10);
    }
    element("render", nullptr, "board.png", 8, 0, 0);
    element("gun", nullptr, "board.png", 40, 1000, 1400);
    element("place_00", nullptr, "board.png", 40, 980, 1450);
    element("place_01", nullptr, "board.png", 40, 1020, 1450);
    for (int i = 0; i < kPathElements; ++i)
        element(pathElementName(i), nullptr, nullptr, 1, float(i) * 400.0f, 700.0f + 300.0f * std::sin(float(i)));
    FILE *file = std::fopen((scene / "zuma.scene").c_str(), "wb");
    written = written && file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file)
        std::fclose(file);
    return written;
}

void storeElements(HoSceneZuma *scene, HoWorld &world, const char *variable, const std::vector<std::string> &names) {
    ScriptValue *slot = findOrCreateVariable(&scene->script, variable, nullptr)->value;
    PtrArray<ScriptValue> *entries = makeArrayValue(slot, world.scriptPools);
    for (size_t i = 0; i < names.size(); ++i)
        storeArrayEntry(entries, int32_t(i), &scene->findElement(names[i].c_str())->selfSlot);
}

// 300 balls touching along the path, and a shot gliding into a slot in the middle that it never reaches.
void layChain(HoSceneZuma *scene) {
    const char *colours[] = {"red", "green", "blue"};
    int32_t at = scene->startOffset + 40;
    for (int i = 0; i < kBalls; ++i) {
        auto *ball = new ChainBall(scene, scene->findElement(colours[i % 3]), ChainBall::kOrdinary, i % 3);
        scene->placeAt(ball, at);
        scene->chain.append(ball);
        at += 40;
    }
    ChainBall *placeholder = scene->placeholder;
    placeholder->width = 40.0f;
    scene->placeAt(placeholder, scene->chain[kBalls / 2]->pathIndex);
    scene->chain.insertAt(kBalls / 2);
    scene->chain.set(kBalls / 2, placeholder);
    scene->inserting = true;
    scene->insertIndex = kBalls / 2;
    scene->flyingBall = new ChainBall(scene, scene->findElement("blue"), ChainBall::kOrdinary, 2);
    scene->hitPoint = {1000.0f, 1000.0f};
    scene->flightSteps = scene->flightTotal = 1 << 30;
    scene->currentPlace->visible = 0;
}

} // namespace

int main() {
    // The path.
    const std::vector<ScreenPoint> controls = waveControls();
    ChainPath ours;
    PlainPath plain;
    const auto [oursPathMs, plainPathMs] = benchsupport::alternatingMedianMilliseconds(
        kRuns, [&] { return ours.build(controls); },
        [&] {
            plainPath(controls, plain);
            return plain.xs.size();
        });
    if (!samePaths(ours, plain)) {
        std::fprintf(stderr, "bench_chain_shooter: the plain path differs from ours\n");
        return 1;
    }

    // The step.
    double stepUs = 0.0;
    int balls = 0;
    {
        benchsupport::BenchGame bench;
        if (!writeContent(bench.folder.path())) {
            std::fprintf(stderr, "bench_chain_shooter: the content could not be written under %s\n",
                         bench.folder.path().c_str());
            return 1;
        }
        if (bench.start(1280, 768, "bench_chain_shooter")) {
            auto *scene = bench.loadScene(new HoSceneZuma(bench.world.get()), "zuma");
            scene->applySceneProperties();
            scene->loadElementImages();
            std::vector<std::string> points;
            for (int i = 0; i < kPathElements; ++i)
                points.push_back(pathElementName(i));
            storeElements(scene, *bench.world, "#zuma_main_points", points);
            storeElements(scene, *bench.world, "$ball", {"red", "green", "blue", "red"});
            scene->update();
            if (scene->setUp) {
                findVariable(&scene->script, "#zuma_enable")->value->setNumber(1.0f);
                scene->launched = 100.0f; // at the normal speed
                crtSrand(1);
                layChain(scene);
                balls = scene->chain.count() - 1;
                stepUs = benchsupport::medianMilliseconds(kRuns, [&] {
                             for (int i = 0; i < kUpdatesPerRun; ++i)
                                 scene->update();
                             return scene->chain.count();
                         }) *
                         1000.0 / kUpdatesPerRun;
            }
        }
    }
    if (balls == 0) {
        std::fprintf(stderr, "bench_chain_shooter: the scene could not be set up\n");
        return 1;
    }
    std::printf("chain path points=%d ours_ms=%.3f plain_ms=%.3f ratio=%.2f\n", kControlPoints, oursPathMs,
                plainPathMs, oursPathMs / plainPathMs);
    std::printf("chain step balls=%d ours_us=%.1f budget_share=%.2f%%\n", balls, stepUs,
                stepUs / kStepMicroseconds * 100.0);
    return 0;
}
