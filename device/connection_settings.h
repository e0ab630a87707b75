#pragma once
// The three connection values: kept by the main window, edited whole by the settings sheet,
// stored in the settings file and used to open the device.

#include <string>

struct ConnectionSettings {
    std::string portName;  // a device path as the port list shows it; empty when none is set
    int speedIndex = 2;    // 0-6; -1 when none is chosen; anything else opens at 9600 bit/s
    int timeoutMs = 1000;  // for each channel operation

    bool operator==(const ConnectionSettings&) const = default;
};
