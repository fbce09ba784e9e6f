#include "tools/lf-demo-art/DemoCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "engine/image/KImage.h"

namespace demoart {

void Canvas::blend(int x, int y, Colour c, float alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0.0f)
        return;
    alpha = std::min(alpha, 1.0f);
    uint8_t *p = &pixels[(size_t(y) * width + x) * 4];
    if (alpha >= 1.0f) {
        p[0] = uint8_t(std::clamp(c.r, 0.0f, 255.0f) + 0.5f);
        p[1] = uint8_t(std::clamp(c.g, 0.0f, 255.0f) + 0.5f);
        p[2] = uint8_t(std::clamp(c.b, 0.0f, 255.0f) + 0.5f);
        p[3] = 255;
        return;
    }
    // The colour laid over what is below, which shows through by its own opacity.
    const float below = p[3] / 255.0f * (1.0f - alpha);
    const float cover = alpha + below;
    const float colour[3] = {std::clamp(c.r, 0.0f, 255.0f), std::clamp(c.g, 0.0f, 255.0f), std::clamp(c.b, 0.0f, 255.0f)};
    for (int i = 0; i < 3; i++)
        p[i] = uint8_t((colour[i] * alpha + p[i] * below) / cover + 0.5f);
    p[3] = uint8_t(cover * 255.0f + 0.5f);
}

void Canvas::fill(int x1, int y1, int x2, int y2, Colour c) {
    for (int y = std::max(0, y1); y < std::min(height, y2); y++)
        for (int x = std::max(0, x1); x < std::min(width, x2); x++)
            blend(x, y, c, 1.0f);
}

void Canvas::gradient(int y1, int y2, Colour top, Colour bottom) {
    for (int y = std::max(0, y1); y < std::min(height, y2); y++) {
        const float t = y2 > y1 + 1 ? float(y - y1) / float(y2 - y1 - 1) : 0.0f;
        const Colour c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                       top.b + (bottom.b - top.b) * t};
        for (int x = 0; x < width; x++)
            blend(x, y, c, 1.0f);
    }
}

void Canvas::disc(float cx, float cy, float radius, float soft, Colour c, float alpha) {
    const int reach = int(radius + soft) + 1;
    for (int y = int(cy) - reach; y <= int(cy) + reach; y++)
        for (int x = int(cx) - reach; x <= int(cx) + reach; x++) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float cover = d <= radius ? 1.0f : soft > 0.0f ? 1.0f - (d - radius) / soft : 0.0f;
            blend(x, y, c, cover * alpha);
        }
}

void Canvas::ring(float cx, float cy, float radius, float thickness, Colour c) {
    const int reach = int(radius + thickness) + 1;
    for (int y = int(cy) - reach; y <= int(cy) + reach; y++)
        for (int x = int(cx) - reach; x <= int(cx) + reach; x++) {
            const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius);
            blend(x, y, c, std::clamp(thickness * 0.5f - d + 0.5f, 0.0f, 1.0f));
        }
}

void Canvas::line(float x1, float y1, float x2, float y2, float thickness, Colour c) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float lengthSquared = std::max(dx * dx + dy * dy, 1e-6f);
    const int reach = int(thickness) + 1;
    for (int y = int(std::min(y1, y2)) - reach; y <= int(std::max(y1, y2)) + reach; y++)
        for (int x = int(std::min(x1, x2)) - reach; x <= int(std::max(x1, x2)) + reach; x++) {
            const float px = x + 0.5f - x1, py = y + 0.5f - y1;
            const float t = std::clamp((px * dx + py * dy) / lengthSquared, 0.0f, 1.0f);
            const float d = std::hypot(px - t * dx, py - t * dy);
            blend(x, y, c, std::clamp(thickness * 0.5f - d + 0.5f, 0.0f, 1.0f));
        }
}

void Canvas::triangle(float ax, float ay, float bx, float by, float cx, float cy, Colour c) {
    auto edge = [](float x0, float y0, float x1, float y1, float x, float y) {
        return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
    };
    const float area = edge(ax, ay, bx, by, cx, cy);
    if (area == 0.0f)
        return;
    for (int y = int(std::min({ay, by, cy})); y <= int(std::max({ay, by, cy})); y++)
        for (int x = int(std::min({ax, bx, cx})); x <= int(std::max({ax, bx, cx})); x++) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float w0 = edge(bx, by, cx, cy, px, py) / area;
            const float w1 = edge(cx, cy, ax, ay, px, py) / area;
            const float w2 = edge(ax, ay, bx, by, px, py) / area;
            if (w0 >= 0.0f && w1 >= 0.0f && w2 >= 0.0f)
                blend(x, y, c, 1.0f);
        }
}

void Canvas::grain(int x1, int y1, int x2, int y2, float amount) {
    uint32_t state = 2463534242u;
    for (int y = std::max(0, y1); y < std::min(height, y2); y++)
        for (int x = std::max(0, x1); x < std::min(width, x2); x++) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const float shift = (float(state & 0xFFFF) / 65535.0f * 2.0f - 1.0f) * amount * 255.0f;
            uint8_t *p = &pixels[(size_t(y) * width + x) * 4];
            for (int i = 0; i < 3; i++)
                p[i] = uint8_t(std::clamp(p[i] + shift, 0.0f, 255.0f));
        }
}

namespace {

constexpr float kTau = 6.2831853f;

float lattice(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFFF) / float(0x1000000);
}

float ease(float t) {
    return t * t * (3.0f - 2.0f * t);
}

// How much of each pixel the outline covers, over its bounds grown by the blur's reach.
struct Coverage {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<float> cover;

    float &at(int x, int y) { return cover[size_t(y) * size_t(width) + size_t(x)]; }
};

// One sub-row of the outline: the spans inside it (non-zero winding), added into the row with their
// partial pixels at the ends.
void coverSubRow(std::span<const Point> outline, float y, float weight, int left, float *row, int width) {
    struct Crossing {
        float x;
        int winding;
    };
    std::vector<Crossing> crossings;
    for (size_t i = 0; i < outline.size(); ++i) {
        const Point a = outline[i], b = outline[(i + 1) % outline.size()];
        if ((a.y <= y) == (b.y <= y))
            continue;
        crossings.push_back({a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), a.y < b.y ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing &p, const Crossing &q) { return p.x < q.x; });
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding += crossings[i].winding;
        if (winding == 0)
            continue;
        const float from = std::clamp(crossings[i].x - float(left), 0.0f, float(width));
        const float to = std::clamp(crossings[i + 1].x - float(left), 0.0f, float(width));
        if (to <= from)
            continue;
        const int first = int(from), last = std::min(int(to), width - 1);
        if (first == last) {
            row[first] += (to - from) * weight;
            continue;
        }
        row[first] += (float(first + 1) - from) * weight;
        for (int x = first + 1; x < last; ++x)
            row[x] += weight;
        row[last] += (to - float(last)) * weight;
    }
}

// A box blur of the radius along rows (step 1) or columns (step width), by running sums.
void boxBlur(Coverage &c, int radius, bool alongRows) {
    const int lines = alongRows ? c.height : c.width, length = alongRows ? c.width : c.height;
    const size_t step = alongRows ? 1 : size_t(c.width);
    std::vector<float> source(static_cast<size_t>(length));
    const float norm = 1.0f / float(2 * radius + 1);
    for (int line = 0; line < lines; ++line) {
        float *start = alongRows ? &c.cover[size_t(line) * size_t(c.width)] : &c.cover[size_t(line)];
        for (int i = 0; i < length; ++i)
            source[size_t(i)] = start[size_t(i) * step];
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i)
            sum += i >= 0 && i < length ? source[size_t(i)] : 0.0f;
        for (int i = 0; i < length; ++i) {
            start[size_t(i) * step] = sum * norm;
            const int leaving = i - radius, entering = i + radius + 1;
            sum += (entering < length ? source[size_t(entering)] : 0.0f) - (leaving >= 0 ? source[size_t(leaving)] : 0.0f);
        }
    }
}

// The outline's coverage, four sub-rows a pixel, blurred twice each way when it is soft (nearly Gaussian).
Coverage coverageOf(std::span<const Point> outline, float soft, int canvasWidth, int canvasHeight) {
    Coverage c;
    if (outline.size() < 3)
        return c;
    float minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
    for (const Point &p : outline) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const int radius = soft > 1.0f ? int(soft * 0.5f + 0.5f) : 0;
    const int pad = 2 * radius + 1;
    c.left = std::max(int(std::floor(minX)) - pad, -pad);
    c.top = std::max(int(std::floor(minY)) - pad, -pad);
    const int right = std::min(int(std::ceil(maxX)) + pad, canvasWidth + pad);
    const int bottom = std::min(int(std::ceil(maxY)) + pad, canvasHeight + pad);
    if (right <= c.left || bottom <= c.top)
        return c;
    c.width = right - c.left;
    c.height = bottom - c.top;
    c.cover.assign(size_t(c.width) * size_t(c.height), 0.0f);
    for (int y = 0; y < c.height; ++y)
        for (int sub = 0; sub < 4; ++sub)
            coverSubRow(outline, float(c.top + y) + (float(sub) + 0.5f) * 0.25f, 0.25f, c.left, &c.at(0, y), c.width);
    for (int pass = 0; radius > 0 && pass < 2; ++pass) {
        boxBlur(c, radius, true);
        boxBlur(c, radius, false);
    }
    return c;
}

// Each pixel of the canvas that the coverage reaches, with its share (0..1].
template <typename Visit>
void forCovered(const Coverage &c, int canvasWidth, int canvasHeight, Visit visit) {
    for (int y = std::max(0, c.top); y < std::min(canvasHeight, c.top + c.height); ++y) {
        const float *row = &c.cover[size_t(y - c.top) * size_t(c.width)];
        for (int x = std::max(0, c.left); x < std::min(canvasWidth, c.left + c.width); ++x) {
            const float share = std::min(row[x - c.left], 1.0f);
            if (share > 0.002f)
                visit(x, y, share);
        }
    }
}

} // namespace

float valueNoise(float x, float y, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = int32_t(fx), iy = int32_t(fy);
    const float tx = ease(x - fx), ty = ease(y - fy);
    const float top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    const float bottom = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

float fbm(float x, float y, int octaves, uint32_t seed) {
    float sum = 0.0f, strength = 1.0f, total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += valueNoise(x, y, seed + uint32_t(octave) * 1013u) * strength;
        total += strength;
        strength *= 0.5f;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 5.3f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

std::vector<Point> rectangle(float x1, float y1, float x2, float y2) {
    return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

std::vector<Point> ellipse(float cx, float cy, float rx, float ry, int steps) {
    std::vector<Point> points;
    for (int i = 0; i < steps; ++i) {
        const float a = kTau * float(i) / float(steps);
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

std::vector<Point> roundedRectangle(float x1, float y1, float x2, float y2, float radius, int steps) {
    const float r = std::min({radius, (x2 - x1) * 0.5f, (y2 - y1) * 0.5f});
    const Point centres[4] = {{x2 - r, y1 + r}, {x2 - r, y2 - r}, {x1 + r, y2 - r}, {x1 + r, y1 + r}};
    std::vector<Point> points;
    for (int corner = 0; corner < 4; ++corner) {
        for (int i = 0; i <= steps; ++i) {
            const float a = kTau * 0.25f * (float(corner) - 1.0f + float(i) / float(steps));
            points.push_back({centres[corner].x + r * std::cos(a), centres[corner].y + r * std::sin(a)});
        }
    }
    return points;
}

std::vector<Point> arch(float left, float right, float spring, float rise, float bottom, int steps) {
    std::vector<Point> points = {{left, bottom}, {left, spring}};
    const float cx = (left + right) * 0.5f, rx = (right - left) * 0.5f;
    for (int i = 1; i < steps; ++i) {
        const float a = kTau * 0.5f * (1.0f + float(i) / float(steps));
        points.push_back({cx + rx * std::cos(a), spring + rise * std::sin(a)});
    }
    points.push_back({right, spring});
    points.push_back({right, bottom});
    return points;
}

std::vector<Point> roughened(std::span<const Point> outline, float amplitude, float step, uint32_t seed) {
    std::vector<Point> points;
    float travelled = 0.0f;
    for (size_t i = 0; i < outline.size(); ++i) {
        const Point a = outline[i], b = outline[(i + 1) % outline.size()];
        const float length = std::hypot(b.x - a.x, b.y - a.y);
        const int pieces = std::max(1, int(length / std::max(step, 1.0f)));
        const float nx = length > 0.0f ? (a.y - b.y) / length : 0.0f, ny = length > 0.0f ? (b.x - a.x) / length : 0.0f;
        for (int piece = 0; piece < pieces; ++piece) {
            const float t = float(piece) / float(pieces);
            const float shift = (fbm((travelled + t * length) / (step * 4.0f), 0.5f, 3, seed) - 0.5f) * 2.0f * amplitude;
            points.push_back({a.x + (b.x - a.x) * t + nx * shift, a.y + (b.y - a.y) * t + ny * shift});
        }
        travelled += length;
    }
    return points;
}

void Canvas::polygon(std::span<const Point> outline, const Paint &paint, float alpha, float soft) {
    forCovered(coverageOf(outline, soft, width, height), width, height,
               [&](int x, int y, float share) { blend(x, y, paint(float(x) + 0.5f, float(y) + 0.5f), share * alpha); });
}

void Canvas::polygon(std::span<const Point> outline, Colour c, float alpha, float soft) {
    forCovered(coverageOf(outline, soft, width, height), width, height,
               [&](int x, int y, float share) { blend(x, y, c, share * alpha); });
}

void Canvas::shadow(std::span<const Point> outline, float soft, float strength) {
    forCovered(coverageOf(outline, soft, width, height), width, height, [&](int x, int y, float share) {
        uint8_t *p = &pixels[(size_t(y) * width + x) * 4];
        const float keep = 1.0f - std::clamp(strength, 0.0f, 1.0f) * share;
        for (int i = 0; i < 3; i++)
            p[i] = uint8_t(float(p[i]) * keep + 0.5f);
        if (transparent)
            p[3] = uint8_t(std::min(255.0f, float(p[3]) + (255.0f - float(p[3])) * strength * share) + 0.5f);
    });
}

void Canvas::light(float cx, float cy, float radius, Colour c, float strength) {
    if (radius <= 0.0f)
        return;
    const int reach = int(radius) + 1;
    for (int y = std::max(0, int(cy) - reach); y < std::min(height, int(cy) + reach); y++)
        for (int x = std::max(0, int(cx) - reach); x < std::min(width, int(cx) + reach); x++) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float squared = (dx * dx + dy * dy) / (radius * radius);
            if (squared >= 1.0f)
                continue;
            const float d = std::sqrt(squared);
            const float falloff = (1.0f - d) * (1.0f - d) * strength;
            uint8_t *p = &pixels[(size_t(y) * width + x) * 4];
            const float add[3] = {c.r, c.g, c.b};
            for (int i = 0; i < 3; i++)
                p[i] = uint8_t(std::clamp(float(p[i]) + (255.0f - float(p[i])) * add[i] / 255.0f * falloff, 0.0f, 255.0f) + 0.5f);
        }
}

namespace {

bool writeImage(const Canvas &canvas, const std::filesystem::path &path, int format) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    ImageData image;
    image.width = uint32_t(canvas.width);
    image.height = uint32_t(canvas.height);
    image.hasAlpha = canvas.transparent ? 1 : 0;
    image.pixels = const_cast<uint8_t *>(canvas.pixels.data());
    uint8_t *encoded = nullptr;
    uint32_t size = 0;
    if (!encodeImage(format, &encoded, &size, &image))
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(encoded), size);
    std::free(encoded);
    return bool(out);
}

} // namespace

bool writePng(const Canvas &canvas, const std::filesystem::path &path) {
    return writeImage(canvas, path, kImageFormatPng);
}

bool writeJpeg(const Canvas &canvas, const std::filesystem::path &path) {
    return writeImage(canvas, path, kImageFormatJpg);
}

} // namespace demoart
