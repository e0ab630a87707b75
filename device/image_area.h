#pragma once
// The device's image area: a region of its memory through which images are requested and read.

#include <cstdint>

#include "device/image_parameters.h"

class CDeviceProtocol;

inline constexpr uint32_t kImageAreaBase = 0x01000000;

// Larger than any image such a scanner produces (a 5-megapixel 32-bit BMP is 20 MiB), and at
// 115200 baud 64 MiB would already take well over an hour to read.
inline constexpr uint32_t kMaxImageSize = 64u * 1024 * 1024;

struct ImageLocation {
    uint32_t address;  // first byte of the image data
    uint32_t size;     // number of bytes of image data
};

// Puts the device into its working program with the image processor selected and checks that it
// offers image interface version 2; otherwise throws with the text that says what to update.
void CheckImageSupport(CDeviceProtocol& protocol);

// Takes the device out of its image-load state and waits until it has left it.
void LeaveImageLoad(CDeviceProtocol& protocol);

// Asks for one image with `params` and waits until it is ready.
void RequestImage(CDeviceProtocol& protocol, const ImageParameters& params);

// Where the ready image's data lies and how long it is.
ImageLocation LocateImage(CDeviceProtocol& protocol);
