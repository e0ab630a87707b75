#pragma once
// Who a device is: model, serial number, production date and the versions of both processors in
// both modes, and the texts they are shown as.

#include <cstdint>
#include <string>

class CDeviceProtocol;

// A calendar date; `valid` is false for a date that does not exist (an erased block, say).
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool valid = false;
};

struct DeviceIdentity {
    uint8_t deviceCode = 0;
    uint32_t serialNumber = 0;
    CalendarDate productionDate;
    uint16_t extraWord = 0;
    uint16_t atmegaHardwareVersion = 0;
    uint16_t blackfinHardwareVersion = 0;
    uint16_t atmegaLoaderVersion = 0;
    uint16_t blackfinLoaderVersion = 0;
    uint16_t atmegaFirmwareVersion = 0;
    uint16_t blackfinFirmwareVersion = 0;
    uint16_t blackfinExtendedVersion = 0;
    // The serial number, the date and the three working-program versions were read.
    bool firmwareInfoValid = false;
};

inline constexpr uint32_t kIdentityBlockAddress = 0xFD0000;

// Reads the identity, visiting both modes and both processors; leaves the device in the mode it
// was found in. A device whose working program cannot be reached still yields its code, hardware
// and loader versions, with firmwareInfoValid false. Throws test_exception on any other failure.
void ReadDeviceIdentity(CDeviceProtocol& protocol, DeviceIdentity& identity);

// An MS-DOS date (bits 0-4 day, 5-8 month, 9-15 years since 1980).
CalendarDate DosDateToCalendar(uint16_t dosDate);

std::string DeviceName(uint8_t deviceCode);
std::string FormatVersion(uint16_t version);
std::string FormatSerialNumber(uint32_t serialNumber);
std::string FormatDate(const CalendarDate& date);
