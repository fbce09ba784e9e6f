#pragma once
// The software rasteriser behind the Direct3D devices. It knows nothing of COM objects: it draws
// screen-space triangles, lines and points into 32-bit ARGB images following Direct3D's rules (pixel
// centres at integer coordinates, the top-left fill rule, 8 bits of sub-pixel precision, perspective-correct
// attributes, two texture stages, alpha blending with the ADD operation).
//
// Draws are not executed at once: each is set up (edges and attribute planes, computed once) and queued
// with a copy of its state. flush() runs the queue, cutting the target into bands of rows that worker
// threads take in turn; every band replays the whole queue in order, so each pixel sees the same
// operations in the same order whatever the thread count, and the output is identical to one thread.
// A band starts at the last operation that overwrites all of it (draws hidden below it are not run), and
// with a BandHistory a band whose work is the same as what its pixels were last made from is not run at
// all. The owner must flush before it changes or frees anything a queued draw reads (textures, targets).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/SoftRasterizerKey.h"

namespace softraster {

// A 32-bit ARGB image: a render target or a texture's sampling copy.
struct Image {
    uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;          // in pixels
    uint32_t alphaOr = 0;    // 0xFF000000 for formats without alpha (X8R8G8B8): alpha reads as opaque
    uint64_t version = 0;    // differs whenever the pixels may differ (draws that read it are keyed by it)
};

struct DepthImage {
    float *values = nullptr;
    int width = 0;
    int height = 0;
};

enum class Filter : uint8_t { point, linear };
enum class Address : uint8_t { wrap = 1, mirror = 2, clamp = 3 };
enum class Op : uint8_t { disable = 1, selectArg1 = 2, selectArg2 = 3, modulate = 4 };
enum class Arg : uint8_t { diffuse = 0, current = 1, texture = 2 };
// Blend factors with the device's numbering.
enum class Blend : uint8_t {
    zero = 1, one, srcColor, invSrcColor, srcAlpha, invSrcAlpha, destAlpha, invDestAlpha, destColor,
    invDestColor, srcAlphaSat
};
enum class Compare : uint8_t { never = 1, less, equal, lessEqual, greater, notEqual, greaterEqual, always };

struct Sampler {
    const Image *image = nullptr; // null samples as opaque white
    Filter filter = Filter::point;
    Address addressU = Address::wrap;
    Address addressV = Address::wrap;
};

struct Stage {
    Op colorOp = Op::disable;
    Arg colorArg1 = Arg::texture;
    Arg colorArg2 = Arg::current;
    Op alphaOp = Op::disable;
    Arg alphaArg1 = Arg::texture;
    Arg alphaArg2 = Arg::current;
    uint8_t texCoordIndex = 0;
    Sampler sampler;
};

// Everything a draw reads besides its vertices.
struct DrawState {
    Stage stages[2];
    bool blendEnable = false;
    Blend srcBlend = Blend::one;
    Blend dstBlend = Blend::zero;
    bool depthTest = false;
    bool depthWrite = false;
    Compare depthFunc = Compare::lessEqual;
    // Pixels outside [clipX0, clipX1) x [clipY0, clipY1) are never written (the viewport).
    int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
};

// A vertex in render-target pixels. Colours are 0..255 per channel (b, g, r, a).
struct Vertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    float color[4] = {255, 255, 255, 255};
    float uv[2][2] = {{0, 0}, {0, 0}};
};

struct Triangle;

// What each band of rows of one target was last made from: the key of its work from the last operation
// that overwrote the whole band. The owner keeps one for a target whose frames repeat (the back buffer)
// and forgets it whenever anything but the rasteriser writes the target's pixels.
class BandHistory {
public:
    void forget() {
        bands_.clear();
        allChanged_ = true;
    }
    // The rows drawn since the last call, as [first, end) ranges of whole bands (none when nothing was
    // drawn); false when that is not known (the history was forgotten or took another shape meanwhile): then
    // every row may have changed. A present copies only the rows that changed.
    bool takeChangedRows(std::vector<std::pair<int, int>> &rows);

private:
    friend class Rasterizer;
    struct Band {
        Key key;
        bool valid = false;
        bool changed = false;
    };
    std::vector<Band> bands_;
    bool allChanged_ = true;
    Image shape_{}; // the target the bands belong to
    int bandHeight_ = 0;
};

class Rasterizer {
public:
    Rasterizer();
    ~Rasterizer();
    Rasterizer(const Rasterizer &) = delete;
    Rasterizer &operator=(const Rasterizer &) = delete;

    // The target of the draws queued from now on. The depth image may be null. With a history, bands whose
    // work repeats what they were last made from are left as they are.
    void setTarget(const Image &color, const DepthImage *depth, BandHistory *history = nullptr);

    void clear(int x0, int y0, int x1, int y1, bool color, uint32_t argb, bool depth, float z);
    void drawTriangle(const DrawState &state, const Vertex &a, const Vertex &b, const Vertex &c);
    // Two triangles of a strip (a, b, c) and (b, d, c); drawn as one quad when they form a parallelogram
    // in position and attributes, which covers the same pixels with half the span work.
    void drawQuad(const DrawState &state, const Vertex &a, const Vertex &b, const Vertex &c, const Vertex &d);
    void drawLine(const DrawState &state, const Vertex &a, const Vertex &b);
    void drawPoint(const DrawState &state, const Vertex &a);

    // Runs every queued operation; afterwards the target images hold the result.
    void flush();
    bool hasPending() const { return !commands_.empty(); }
    // Whether a queued draw samples the image or writes the pixels (as its target or depth): only then must
    // a change to them wait for a flush.
    bool uses(const Image *image, const void *pixels) const;

    // Threads used by flush (1 = the calling thread only). 0 picks the processors the process may use
    // (platformUsableProcessorCount).
    void setThreadCount(int count);
    int threadCount() const { return threadCount_; }

    // Bands left as they were because their work repeated, over the life of the process (for tests).
    static uint64_t reusedBandCount();

private:
    struct Command;
    struct BandPlan;
    uint32_t internState(const DrawState &state);
    bool acceptsDraw(const DrawState &state) const;
    bool addPolygon(const DrawState &state, const Vertex *const *vertices, int count);
    void queue(Command &cmd, const Vertex *const *vertices, int count);
    void binCommands();
    void prepareHistory();
    void runBands();
    void runBand(int band);
    BandPlan planBand(const std::vector<uint32_t> &bin, int y0, int y1) const;
    bool coversRows(const Command &cmd, int y0, int y1) const;
    bool touchesDepth(const Command &cmd) const;
    bool repeatsHistory(int band, const BandPlan &plan);
    void clearRows(const Command &cmd, int y0, int y1);
    void workerLoop();
    void stopWorkers();

    Image target_{};
    DepthImage depth_{};
    bool hasDepth_ = false;
    std::vector<Command> commands_;
    std::vector<DrawState> states_;            // queued draws refer to these
    std::vector<Key> stateKeys_;               // their keys, made while a history is kept
    BandHistory *history_ = nullptr;
    std::vector<std::vector<uint32_t>> bins_; // per band: indices of the commands touching it

    int threadCount_ = 1;
    std::vector<std::thread> workers_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    uint64_t generation_ = 0;
    int busyWorkers_ = 0;
    bool stopping_ = false;
    std::atomic<int> nextBand_{0};
    int bandCount_ = 0;
    int bandHeight_ = 16;
    int flushHeight_ = 0;
};

// The per-pixel kernels: the portable reference and the vector sets, which give identical pixels. The
// process uses the widest set the processor runs up to AVX2 (AVX-512 does not beat it), or the one
// LANTERNFALL_RASTER_KERNELS names (portable, sse2, sse41, avx2, avx512; a set the processor lacks gives
// the best one below it).
enum class KernelSet : uint8_t { portable, sse2, sse41, avx2, avx512 };
const char *kernelSetName(KernelSet set);
// The sets this build has and this processor runs, portable first.
std::vector<KernelSet> availableKernelSets();
KernelSet activeKernelSet();
// Switches every rasteriser of the process to the set; false (and nothing changes) when it is not available.
bool selectKernelSet(KernelSet set);

// Rounded a * b / 255 for 0..255 operands, the rounding every colour product uses.
inline uint32_t mul255(uint32_t a, uint32_t b) {
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

} // namespace softraster
