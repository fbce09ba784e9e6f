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
    // The colour laid over what is below, which shows through by its own opacity.
    const float below = p[3] / 255.0f * (1.0f - alpha);
    const float cover = alpha + below;
    p[0] = uint8_t((c.r * alpha + p[0] * below) / cover + 0.5f);
    p[1] = uint8_t((c.g * alpha + p[1] * below) / cover + 0.5f);
    p[2] = uint8_t((c.b * alpha + p[2] * below) / cover + 0.5f);
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
