// Generated pictures for a device that has no image files to serve.
#pragma once

#include <cstdint>
#include <vector>

namespace scanner_sim {

// A complete 24-bit BMP file of width x height pixels (both >= 1): colour gradients with a
// diagonal band whose position depends on `frame`, so consecutive images differ.
std::vector<uint8_t> MakeTestBitmap(int width, int height, int frame);

}  // namespace scanner_sim
