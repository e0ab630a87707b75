#pragma once
// The device information text: the identity record laid out in thirteen lines for a message box.

#include <string>

struct DeviceIdentity;

// Every line ends with CR LF; tabs align the values. The five values that come from the working
// program show "?" when that part of the read did not complete.
std::string FormatDeviceInfo(const DeviceIdentity& identity);
