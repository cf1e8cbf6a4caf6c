// Writing rasters as picture files in memory. Each returns the file's bytes, or the empty string
// when the encoder fails.
#pragma once

#include <string>
#include <vector>

#include "demo-service/raster.hpp"

namespace kessaro::demo {

std::string encode_png(const Raster& raster);
std::string encode_jpeg(const Raster& raster, int quality = 85);
// 24 bits per pixel, bottom-up rows padded to four bytes.
std::string encode_bmp(const Raster& raster);
// GIF89a looping forever over the frames (all of the first frame's size), `delay_cs`
// hundredths of a second each, in a fixed palette of 128 colours.
std::string encode_gif(const std::vector<Raster>& frames, int delay_cs = 40);

}  // namespace kessaro::demo
