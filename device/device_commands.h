#pragma once
// Throwing forms of the device commands. The commands themselves are CDeviceProtocol members
// that return result codes (packet_protocol.h).

#include <cstdint>

#include "device/packet_protocol.h"

inline constexpr uint32_t kMemoryChunk = 128;  // every transfer of the program uses this size
inline constexpr uint8_t kDefaultDeviceBaudIndex = 4;  // a device without the speed command

// True when a device answers the information query at the port's current speed; false when
// nothing answers. A device error throws. Stores the device code when asked.
bool Ping(CDeviceProtocol& protocol, uint8_t* deviceCode = nullptr);

// Whether a device without the speed command is refused or taken as running at index 4.
enum class SpeedCommand { Required, Optional };

// The device's speed index.
uint8_t GetDeviceBaudIndex(CDeviceProtocol& protocol, SpeedCommand speedCommand);

void ResetTrigger(CDeviceProtocol& protocol);
bool IsTriggerPressed(CDeviceProtocol& protocol);

// Polls the trigger every 10 ms until it is pressed; only the user's stop ends it otherwise.
void WaitForTrigger(CDeviceProtocol& protocol);
