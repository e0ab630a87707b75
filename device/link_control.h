#pragma once
// Finding the device at whatever speed it runs, and changing its speed, state and mode.

#include <cstdint>

#include "device/device_commands.h"
#include "device/packet_protocol.h"

class CComDevice;

inline constexpr uint8_t kModeWorking = 0;
inline constexpr uint8_t kModeLoader = 1;

// True when a device answers. On a serial port the speeds are searched with a 100 ms time-out
// (the port's own time-out is restored on every way out) and the port is left at the speed that
// answered, or put back.
bool CheckLink(CDeviceProtocol& protocol, const uint8_t* preferred = nullptr,
               uint32_t preferredCount = 0);

// Probes the current speed, then the preferred indexes, then every other index in order.
bool SearchBaudRate(CComDevice& device, const uint8_t* preferred, uint32_t preferredCount);

// Switches the device to `target` and finds it again there. A device without the speed command
// runs at index 4; asking it for another speed fails unless the command is Optional.
void SetDeviceBaudIndex(CDeviceProtocol& protocol, uint8_t target, SpeedCommand speedCommand);

// After a speed change that a stop or failure interrupted: waits as long as a switch takes, finds
// the device at whichever speed it ended up and gives it `target`. A stop meanwhile gives up.
void RestoreDeviceBaudIndex(CDeviceProtocol& protocol, uint8_t target);

// Raises the device to the highest speed for an image transfer and returns the index it had, to
// be given back at the end. A raise that is stopped or fails half-way may leave the device at
// either speed: it gets its own speed back first, and the first failure is the one thrown.
uint8_t RaiseDeviceBaudIndex(CDeviceProtocol& protocol);

// Writes the state word and reads it back: bytes 0, 1, 3 and bits 0-1 of byte 2 must match.
void SetStateVerified(CDeviceProtocol& protocol, const uint8_t state[4]);

// Puts the device into `mode` (0 working program, 1 loader) and waits up to 20 s for it.
void ChangeMode(CDeviceProtocol& protocol, uint8_t mode);
