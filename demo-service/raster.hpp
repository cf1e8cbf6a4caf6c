// Drawing the demo pictures: a small landscape (sky, sun, two mountain ridges) in colours taken
// from the seed, with the picture's number written large in a corner so that the rows of the
// list can be told apart in the preview.
#pragma once

#include <cstdint>
#include <vector>

namespace kessaro::demo {

struct Raster {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// `frame` moves the sun a little, for the frames of an animated picture.
Raster paint_picture(uint64_t seed, int number, int width, int height, int frame = 0);

}  // namespace kessaro::demo
