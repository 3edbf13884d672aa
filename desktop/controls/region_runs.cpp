#include "region_runs.h"

std::vector<RunRect> NonKeyRuns(int width, int height, const std::function<uint32_t(int x, int y)>& pixelAt,
                                uint32_t key)
{
    std::vector<RunRect> runs;
    for (int y = height - 1; y >= 0; --y) {
        int x = 0;
        while (x < width) {
            while (x < width && pixelAt(x, y) == key) {
                ++x;
            }
            if (x == width) {
                break;
            }
            int start = x;
            while (x < width && pixelAt(x, y) != key) {
                ++x;
            }
            runs.push_back(RunRect{start, y, x, y + 1});
        }
    }
    return runs;
}
