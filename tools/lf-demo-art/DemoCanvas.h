#pragma once
// The drawing surface of lf-demo-art: straight RGBA bytes in the order the encoders read, filled with
// shapes and gradients and written as PNG by the engine's encoder. An opaque canvas starts white; a
// transparent one starts empty, and shapes are laid over what is there.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace demoart {

struct Colour {
    float r, g, b;
};

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
};

bool writePng(const Canvas &canvas, const std::filesystem::path &path);
// An opaque picture as JPEG, by the engine's encoder.
bool writeJpeg(const Canvas &canvas, const std::filesystem::path &path);

} // namespace demoart
