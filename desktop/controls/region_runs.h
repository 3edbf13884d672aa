// The rectangles that make a window region from an image: one rectangle, one pixel high, per
// run of pixels that differ from a key colour.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct RunRect {
    int left;
    int top;
    int right;   // one past the run's last pixel
    int bottom;  // top + 1
};

// Rows from the bottom row upwards, each from left to right. `pixelAt(x, y)` gives a pixel's
// colour in the same encoding as `key`.
std::vector<RunRect> NonKeyRuns(int width, int height, const std::function<uint32_t(int x, int y)>& pixelAt,
                                uint32_t key);
