// lf-video: draws a short video frame by frame and encodes it as Ogg Theora for the game.
//   lf-video --scene NAME --out FILE --size WxH --fps N --seconds S [--alpha] [--quality Q]
// Scenes:
//   candle   a candle flame on black that sways and flickers; the movement repeats with the video's
//            length, so the video loops without a jump.
//   beam     the night sea seen from the lighthouse's lantern: the beam sweeps across it from left to
//            right once, and the boats' lights answer one by one as it passes them; played once.
// Every frame is drawn here in code and encoded by libtheora's encoder (4:2:0, quality Q from 0 to 63,
// default 48). With --alpha the file has the game's alpha layout: frames twice as wide as the picture,
// the colour on the left and a grey mask on the right (white opaque, black transparent); the game plays
// such a file as an alpha video when its name ends "_a.ogv". The game shows the whole coded frame, so
// the coded width (doubled with --alpha) and the height must be multiples of 16. Exit status 0 on
// success, 1 with the reason on standard error otherwise.

#include <ogg/ogg.h>
#include <theora/theoraenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tools/ToolCommandLine.h"
#include "tools/lf-video/VideoScene.h"

namespace {

const char kUsage[] =
    "usage: lf-video --scene NAME --out FILE --size WxH --fps N --seconds S [--alpha] [--quality Q]\n"
    "scenes: candle, beam\n";

constexpr int kMaxSide = 4096;
constexpr int kMaxFps = 100; // the game steps its videos every 10 ms
constexpr double kMaxSeconds = 600.0;
constexpr int kMaxQuality = 63;
constexpr int kStreamSerial = 0x4C465644; // fixed, so the same arguments give the same file

using tool::fail;
using tool::usageFail;

struct Options {
    std::string scene;
    std::string out;
    int width = 0, height = 0;
    int fps = 0;
    double seconds = 0.0;
    bool alpha = false;
    int quality = 48;
};

using videoscene::mix;
using videoscene::Sample;
using videoscene::Scene;
using videoscene::smoothstep;

// A flame standing on a wick near the bottom: a teardrop whose width narrows towards a tip that sways,
// white-yellow in its core, orange towards its rim. Sway, height and brightness are sums of whole
// harmonics of the phase, so the last frame leads back into the first.
Sample candle(float x, float y, float width, float height, float phase) {
    constexpr float kTwoPi = 6.2831853f;
    const float sway = 0.10f * std::sin(kTwoPi * phase) + 0.05f * std::sin(kTwoPi * 3.0f * phase + 1.3f);
    const float stretch = 1.0f + 0.08f * std::sin(kTwoPi * 2.0f * phase + 0.4f) +
                          0.05f * std::sin(kTwoPi * 5.0f * phase + 2.1f);
    const float glow = 0.92f + 0.08f * std::sin(kTwoPi * 4.0f * phase + 0.7f);

    const float base = 0.80f * height;              // where the flame meets the wick
    const float flameHeight = 0.62f * height * stretch;
    const float radius = 0.28f * width;             // half the flame's width at its widest
    const float v = (base - y) / flameHeight;       // 0 at the base, 1 at the tip
    const float lean = sway * width * std::max(v, 0.0f) * std::max(v, 0.0f);
    const float dx = x - (0.5f * width + lean);

    // Where nothing is drawn the colour is the flame's rim, transparent, so that filtering at the
    // flame's edge blends towards its own colour rather than black.
    Sample s{0.95f * glow, 0.45f * glow, 0.10f * glow, 0.0f};
    // The wick: a short dark stroke under the flame's base, opaque.
    if (std::fabs(x - 0.5f * width) < std::max(1.0f, 0.04f * width) && y >= base - 0.02f * height &&
        y < base + 0.16f * height) {
        s = {0.12f, 0.09f, 0.07f, 1.0f};
    }
    float distance;
    if (v >= 0.0f) {
        // Widest a quarter of the way up, narrowing to the tip.
        const float halfWidth = radius * std::pow(std::max(1.0f - v, 0.0f), 0.9f) * (0.8f + 1.2f * v);
        distance = halfWidth > 0.0f ? std::fabs(dx) / halfWidth : 2.0f;
    } else {
        const float below = v * flameHeight / (0.10f * height); // a rounded bottom under the base
        const float bottomRadius = 0.8f * radius;
        distance = std::sqrt(dx * dx / (bottomRadius * bottomRadius) + below * below);
    }
    const float coverage = 1.0f - smoothstep(0.80f, 1.0f, distance);
    if (coverage <= 0.0f)
        return s;
    // The core is white-yellow low in the flame, the rim orange.
    const float heat = (1.0f - smoothstep(0.0f, 0.85f, distance)) * (1.0f - 0.5f * std::max(v, 0.0f));
    const Sample flame{glow * mix(0.95f, 1.0f, heat), glow * mix(0.45f, 0.96f, heat), glow * mix(0.10f, 0.80f, heat),
                       coverage};
    // Over the wick the flame covers what it covers.
    return {mix(s.r, flame.r, coverage), mix(s.g, flame.g, coverage), mix(s.b, flame.b, coverage),
            std::max(s.a, coverage)};
}

const std::map<std::string, Scene> &scenes() {
    static const std::map<std::string, Scene> table = {{"candle", candle}, {"beam", videoscene::beam}};
    return table;
}

bool parseNumber(const char *text, double *out) {
    char *end = nullptr;
    *out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*out);
}

int wholeNumber(const char *option, const char *text, int low, int high) {
    double number = 0;
    if (!parseNumber(text, &number) || number != std::floor(number) || number < low || number > high)
        usageFail(std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not " + text);
    return int(number);
}

void parseSize(const char *text, Options &options) {
    const char *cross = std::strchr(text, 'x');
    if (!cross)
        usageFail(std::string("--size takes WxH, not ") + text);
    const std::string width(text, cross);
    options.width = wholeNumber("--size", width.c_str(), 1, kMaxSide);
    options.height = wholeNumber("--size", cross + 1, 1, kMaxSide);
}

Options parseOptions(int argc, char **argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        // The value of an option that takes one: the next argument.
        auto value = [&]() -> const char * {
            if (i + 1 >= argc)
                usageFail("option " + argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--alpha") {
            options.alpha = true;
        } else if (argument == "--scene") {
            options.scene = value();
        } else if (argument == "--out") {
            options.out = value();
        } else if (argument == "--size") {
            parseSize(value(), options);
        } else if (argument == "--fps") {
            options.fps = wholeNumber("--fps", value(), 1, kMaxFps);
        } else if (argument == "--seconds") {
            const char *text = value();
            if (!parseNumber(text, &options.seconds) || options.seconds <= 0 || options.seconds > kMaxSeconds)
                usageFail(std::string("--seconds takes a number above 0 and at most 600, not ") + text);
        } else if (argument == "--quality") {
            options.quality = wholeNumber("--quality", value(), 0, kMaxQuality);
        } else {
            usageFail((argument[0] == '-' ? "unknown option " : "unexpected argument ") + argument);
        }
    }
    if (options.scene.empty())
        usageFail("--scene needs a scene name");
    if (!scenes().count(options.scene))
        usageFail("unknown scene " + options.scene);
    if (options.out.empty())
        usageFail("--out needs a file");
    if (options.width == 0)
        usageFail("--size is missing");
    if (options.fps == 0)
        usageFail("--fps is missing");
    if (options.seconds == 0)
        usageFail("--seconds is missing");
    const int codedWidth = options.width * (options.alpha ? 2 : 1);
    if (codedWidth % 16 != 0 || options.height % 16 != 0)
        usageFail("the coded frame must be a multiple of 16 wide and high (the width " +
             std::string(options.alpha ? "doubled by --alpha " : "") + "is " + std::to_string(codedWidth) +
             ", the height " + std::to_string(options.height) + ")");
    return options;
}

// One frame's planes, 4:2:0.
struct Planes {
    int width, height;
    std::vector<unsigned char> y, cb, cr;

    Planes(int w, int h)
        : width(w), height(h), y(size_t(w) * h), cb(size_t(w / 2) * (h / 2)), cr(size_t(w / 2) * (h / 2)) {}
};

unsigned char toByte(float value) {
    return static_cast<unsigned char>(std::clamp(std::lround(value), 0L, 255L));
}

// Rows first..last of the frame's luma and its full-resolution chroma.
void drawRows(const Options &options, const Scene &scene, float phase, int first, int last, Planes &planes, std::vector<float> &cb,
              std::vector<float> &cr) {
    const int coded = planes.width;
    for (int row = first; row < last; ++row) {
        for (int column = 0; column < coded; ++column) {
            const bool mask = column >= options.width;
            const int x = mask ? column - options.width : column;
            Sample s = scene(float(x) + 0.5f, float(row) + 0.5f, float(options.width), float(options.height), phase);
            if (mask)
                s = {s.a, s.a, s.a, 1.0f};
            else if (!options.alpha)
                s = {s.r * s.a, s.g * s.a, s.b * s.a, 1.0f};
            const size_t at = size_t(row) * coded + column;
            planes.y[at] = toByte(16.0f + 65.481f * s.r + 128.553f * s.g + 24.966f * s.b);
            cb[at] = 128.0f - 37.797f * s.r - 74.203f * s.g + 112.0f * s.b;
            cr[at] = 128.0f + 112.0f * s.r - 93.786f * s.g - 18.214f * s.b;
        }
    }
}

// Studio-range BT.601 from straight colour, chroma averaged over each 2 x 2 block. With the alpha layout
// the left half holds the colour and the right half the coverage as grey; otherwise the colour over black.
// Bands of rows are drawn on the machine's processors at once (every pixel is drawn on its own, so the
// bytes are the same however many there are): a film of the screen's size is drawn in seconds, not minutes.
Planes drawFrame(const Options &options, const Scene &scene, float phase) {
    const int coded = options.width * (options.alpha ? 2 : 1);
    Planes planes(coded, options.height);
    std::vector<float> cb(size_t(coded) * options.height), cr(cb.size());
    const int bands = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    std::vector<std::jthread> workers;
    for (int band = 0; band < bands; ++band) {
        const int first = options.height * band / bands, last = options.height * (band + 1) / bands;
        workers.emplace_back([&, first, last] { drawRows(options, scene, phase, first, last, planes, cb, cr); });
    }
    workers.clear();
    const int half = coded / 2;
    for (int row = 0; row < options.height / 2; ++row) {
        for (int column = 0; column < half; ++column) {
            const size_t a = size_t(2 * row) * coded + 2 * column, b = a + coded;
            const size_t out = size_t(row) * half + column;
            planes.cb[out] = toByte((cb[a] + cb[a + 1] + cb[b] + cb[b + 1]) / 4.0f);
            planes.cr[out] = toByte((cr[a] + cr[a + 1] + cr[b] + cr[b + 1]) / 4.0f);
        }
    }
    return planes;
}

// Writes Ogg pages as the stream fills them into FILE.part, which becomes FILE when finished and is
// removed otherwise, so a failed run leaves no half-written video.
class OggWriter {
public:
    explicit OggWriter(const std::string &path) : path_(path), part_(path + ".part") {
        out_.open(part_, std::ios::binary | std::ios::trunc);
        if (!out_)
            fail("cannot write " + part_);
        ogg_stream_init(&stream_, kStreamSerial);
    }
    ~OggWriter() {
        ogg_stream_clear(&stream_);
        if (!finished_) {
            out_.close();
            std::remove(part_.c_str());
        }
    }
    OggWriter(const OggWriter &) = delete;
    OggWriter &operator=(const OggWriter &) = delete;

    void add(ogg_packet &packet, bool flush) {
        if (ogg_stream_packetin(&stream_, &packet) != 0)
            fail("the Ogg stream refused a packet");
        ogg_page page;
        while (flush ? ogg_stream_flush(&stream_, &page) : ogg_stream_pageout(&stream_, &page))
            writePage(page);
    }
    void finish() {
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page))
            writePage(page);
        out_.close();
        if (!out_ || std::rename(part_.c_str(), path_.c_str()) != 0)
            fail("cannot write " + path_);
        finished_ = true;
    }

private:
    void writePage(const ogg_page &page) {
        out_.write(reinterpret_cast<const char *>(page.header), page.header_len);
        out_.write(reinterpret_cast<const char *>(page.body), page.body_len);
    }

    std::string path_, part_;
    std::ofstream out_;
    ogg_stream_state stream_;
    bool finished_ = false;
};

// The encoder with its stream headers already written.
class Encoder {
public:
    Encoder(const Options &options, OggWriter &writer) : writer_(writer) {
        th_info info;
        th_info_init(&info);
        info.frame_width = info.pic_width = ogg_uint32_t(options.width * (options.alpha ? 2 : 1));
        info.frame_height = info.pic_height = ogg_uint32_t(options.height);
        info.pic_x = info.pic_y = 0;
        info.fps_numerator = ogg_uint32_t(options.fps);
        info.fps_denominator = 1;
        info.aspect_numerator = info.aspect_denominator = 1;
        info.colorspace = TH_CS_UNSPECIFIED;
        info.pixel_fmt = TH_PF_420;
        info.target_bitrate = 0;
        info.quality = options.quality;
        context_ = th_encode_alloc(&info);
        th_info_clear(&info);
        if (!context_)
            fail("the Theora encoder refused the settings");
        th_comment comment;
        th_comment_init(&comment);
        ogg_packet packet;
        int result;
        // The first header alone on the first page, the others on pages of their own before the frames.
        while ((result = th_encode_flushheader(context_, &comment, &packet)) > 0)
            writer_.add(packet, true);
        th_comment_clear(&comment);
        if (result < 0)
            fail("the Theora encoder could not write its headers");
    }
    ~Encoder() { th_encode_free(context_); }
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;

    void encode(Planes &planes, bool last) {
        th_ycbcr_buffer buffer;
        const int widths[3] = {planes.width, planes.width / 2, planes.width / 2};
        const int heights[3] = {planes.height, planes.height / 2, planes.height / 2};
        unsigned char *data[3] = {planes.y.data(), planes.cb.data(), planes.cr.data()};
        for (int i = 0; i < 3; ++i)
            buffer[i] = {widths[i], heights[i], widths[i], data[i]};
        if (th_encode_ycbcr_in(context_, buffer) != 0)
            fail("the Theora encoder refused a frame");
        ogg_packet packet;
        int result;
        while ((result = th_encode_packetout(context_, last ? 1 : 0, &packet)) > 0)
            writer_.add(packet, false);
        if (result < 0)
            fail("the Theora encoder failed on a frame");
    }

private:
    th_enc_ctx *context_ = nullptr;
    OggWriter &writer_;
};

int run(int argc, char **argv) {
    const Options options = parseOptions(argc, argv);
    const Scene &scene = scenes().at(options.scene);
    const int frames = std::max(1, int(std::lround(options.seconds * options.fps)));
    OggWriter writer(options.out);
    Encoder encoder(options, writer);
    for (int frame = 0; frame < frames; ++frame) {
        Planes planes = drawFrame(options, scene, float(frame) / float(frames));
        encoder.encode(planes, frame + 1 == frames);
    }
    writer.finish();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    return tool::runTool(argc, argv, "lf-video", kUsage, run);
}
