#pragma once
// The drawing surface of lf-demo-art: straight RGBA bytes in the order the encoders read, filled with
// shapes and gradients and written as PNG by the engine's encoder. An opaque canvas starts white; a
// transparent one starts empty, and shapes are laid over what is there.
// A painted look comes from a few primitives: fractal noise for textures, outlines filled with soft
// (blurred) edges by a colour or a paint that gives each pixel its own, soft shadows that darken what is
// below, and radial light that brightens it with a falloff. Every one of them is the same on every run.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace demoart {

struct Colour {
    float r, g, b;
};

struct Point {
    float x, y;
};

// A colour for each pixel, asked for at the pixel's centre in canvas pixels.
using Paint = std::function<Colour(float x, float y)>;

inline Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour scaled(Colour c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

// Smooth noise in [0, 1]: random values at whole-numbered points, eased in between; the seed picks the field.
float valueNoise(float x, float y, uint32_t seed);
// Fractal noise in [0, 1]: octaves of value noise, each twice as fine and half as strong as the one before.
float fbm(float x, float y, int octaves, uint32_t seed);

// Outlines for the shapes below.
std::vector<Point> rectangle(float x1, float y1, float x2, float y2);
std::vector<Point> ellipse(float cx, float cy, float rx, float ry, int steps = 72);
// A rectangle whose corners are quarter circles of the radius (no more than half its sides).
std::vector<Point> roundedRectangle(float x1, float y1, float x2, float y2, float radius, int steps = 8);
// A doorway's or a window's outline: straight sides from `bottom` up to `spring`, and over them a round head
// rising `rise` higher.
std::vector<Point> arch(float left, float right, float spring, float rise, float bottom, int steps = 16);
// The outline with its edges cut into steps of about `step` pixels, each point moved across by up to
// `amplitude` pixels of noise: hand-drawn, not ruler-straight.
std::vector<Point> roughened(std::span<const Point> outline, float amplitude, float step, uint32_t seed);

struct Canvas {
    int width = 0, height = 0;
    bool transparent = false;
    std::vector<uint8_t> pixels;

    Canvas(int w, int h, bool clear = false)
        : width(w), height(h), transparent(clear), pixels(size_t(w) * size_t(h) * 4, clear ? 0 : 255) {}

    void blend(int x, int y, Colour c, float alpha);
    void fill(int x1, int y1, int x2, int y2, Colour c);
    // A vertical gradient from `top` at y1 to `bottom` at y2.
    void gradient(int y1, int y2, Colour top, Colour bottom);
    // A soft disc: full inside `radius`, fading out over `soft` pixels.
    void disc(float cx, float cy, float radius, float soft, Colour c, float alpha);
    void ring(float cx, float cy, float radius, float thickness, Colour c);
    // A line of the thickness with soft edges and round ends.
    void line(float x1, float y1, float x2, float y2, float thickness, Colour c);
    // Grain over a rectangle: each pixel darkened or lightened by up to `amount` (0..1), the same on every run.
    void grain(int x1, int y1, int x2, int y2, float amount);
    // A triangle, each pixel whose centre lies inside it.
    void triangle(float ax, float ay, float bx, float by, float cx, float cy, Colour c);

    // The inside of the outline (non-zero winding) laid over the canvas in the paint, its edge smoothed
    // and, with `soft` above a pixel, blurred over about that many pixels.
    void polygon(std::span<const Point> outline, const Paint &paint, float alpha = 1.0f, float soft = 0.0f);
    void polygon(std::span<const Point> outline, Colour c, float alpha = 1.0f, float soft = 0.0f);
    // What lies under the outline darkened by up to `strength` (0..1), its edge blurred over `soft` pixels.
    void shadow(std::span<const Point> outline, float soft, float strength);
    // Light of the colour spreading from (cx, cy): `strength` at the centre, falling off to nothing at
    // `radius`; it brightens what is there as a light would (screen), never past white.
    void light(float cx, float cy, float radius, Colour c, float strength);
};

bool writePng(const Canvas &canvas, const std::filesystem::path &path);
// An opaque picture as JPEG, by the engine's encoder.
bool writeJpeg(const Canvas &canvas, const std::filesystem::path &path);

} // namespace demoart
