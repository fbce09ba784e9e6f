#pragma once
// A list of the demo's pictures: each drawn into a canvas of its design size times a scale and written
// under out/data/.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/lf-demo-art/DemoCanvas.h"

namespace demoart {

// Design coordinates scaled to the picture's pixels.
struct Scaled {
    float s;
    float operator()(float design) const { return design * s; }
    int whole(float design) const { return int(std::lround(design * s)); }
    // An outline of design points in the picture's pixels.
    std::vector<Point> operator()(std::initializer_list<Point> design) const { return (*this)(std::vector<Point>(design)); }
    std::vector<Point> operator()(std::vector<Point> design) const {
        for (Point &p : design)
            p = {p.x * s, p.y * s};
        return design;
    }
};

struct Picture {
    const char *path; // below data/
    int width, height; // design pixels
    bool transparent;
    std::function<void(Canvas &, const Scaled &)> draw;
};

// Draws and writes every picture at the scale; false with the reason when one cannot be written.
inline bool drawPictures(std::span<const Picture> pictures, const std::filesystem::path &out, float scale,
                         std::string &error) {
    const Scaled design{scale};
    for (const Picture &picture : pictures) {
        Canvas canvas(std::max(1, design.whole(float(picture.width))), std::max(1, design.whole(float(picture.height))),
                      picture.transparent);
        picture.draw(canvas, design);
        if (!writePng(canvas, out / "data" / picture.path)) {
            error = "cannot write " + (out / "data" / picture.path).string();
            return false;
        }
    }
    return true;
}

} // namespace demoart
