#pragma once
// The commands that talk to one device: identity, speed, snapshot and video. Each opens the port
// for itself and closes it on every way out.

#include <cstdio>
#include <string>

#include "device/connection_settings.h"
#include "device/image_parameters.h"

class TransferBar;

// Where failures are told: "veltor-cli: text" on standard error.
void PrintError(const std::string& text);

// The thirteen lines of the information window (LF line ends), or one JSON object.
void RunInfo(const ConnectionSettings& connection, bool json);

// Moves the device from the connection's speed to `target` and prints the new speed in bit/s.
void RunSetSpeed(const ConnectionSettings& connection, int target);

struct ImageJob {
    bool video = false;
    ImageParameters params{};
    bool trigger = false;   // snapshot: after the trigger; video: until it
    int frames = 1;         // video: 0 for no limit
    std::string output;     // snapshot: file, "-" for standard output
    std::string directory;  // video
};

// Raises the line to 115200 bit/s, acquires, takes the device out of its image-load state and
// gives it its speed back, also after a stop or a failure. Returns the exit status: 0, 1 after
// a failure (reported) or 130 after a stop. Throws what ends it before the acquisition (no
// device, a stop during the raise, ...).
int RunImages(const ConnectionSettings& connection, const ImageJob& job, TransferBar& bar);
