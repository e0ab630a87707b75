#include "device/device_identity.h"

#include <cstdio>

#include "core/string_table.h"
#include "device/device_commands.h"
#include "device/link_control.h"

namespace {

constexpr uint8_t kMemoryBit = 0x10;  // cleared before device memory is read
constexpr uint8_t kAtmegaBit = 0x20;  // set: the controller answers selector 1

struct Model {
    uint8_t code;
    int typeId;
    int modelId;
};
constexpr Model kModels[] = {
    {100, IDS_TYPE_STATIONARY, IDS_MODEL_MARLET},
    {150, IDS_TYPE_HANDHELD, IDS_MODEL_TOVALD_II},
    {151, IDS_TYPE_HANDHELD, IDS_MODEL_TOVALD_HD},
    {152, IDS_TYPE_HANDHELD, IDS_MODEL_TOVALD_II_PLUS},
    {200, IDS_TYPE_BUILTIN, IDS_MODEL_GRENDLE},
    {201, IDS_TYPE_BUILTIN, IDS_MODEL_GRENDLE_PLUS},
};

uint16_t Le16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// Selector 1 of the processor selected in the state word: two version words.
void ReadVersions(CDeviceProtocol& protocol, uint16_t& first, uint16_t& second) {
    uint8_t info[5];
    CheckStatus(protocol.GetInfo(info, 1));
    first = Le16(info);
    second = Le16(info + 2);
}

void SelectProcessor(CDeviceProtocol& protocol, uint8_t state[4], bool atmega) {
    state[0] = static_cast<uint8_t>(atmega ? state[0] | kAtmegaBit : state[0] & ~kAtmegaBit);
    SetStateVerified(protocol, state);
}

void ReadLoaderPart(CDeviceProtocol& protocol, DeviceIdentity& identity) {
    ChangeMode(protocol, kModeLoader);
    uint8_t state[4];
    CheckStatus(protocol.GetState(state));
    SelectProcessor(protocol, state, true);
    ReadVersions(protocol, identity.atmegaLoaderVersion, identity.atmegaHardwareVersion);
    SelectProcessor(protocol, state, false);
    ReadVersions(protocol, identity.blackfinLoaderVersion, identity.blackfinHardwareVersion);
}

void ReadIdentityBlock(CDeviceProtocol& protocol, DeviceIdentity& identity) {
    uint8_t block[8];
    CheckStatus(
        protocol.ReadMemory(kIdentityBlockAddress, block, 8, nullptr, nullptr, kMemoryChunk));
    identity.serialNumber =
        static_cast<uint32_t>(Le16(block)) | static_cast<uint32_t>(Le16(block + 2)) << 16;
    identity.productionDate = DosDateToCalendar(Le16(block + 4));
    identity.extraWord = Le16(block + 6);
}

// The working-program part is optional: a device whose working program cannot be reached still
// has a useful identity, so its command failures are dropped here.
void ReadWorkingPart(CDeviceProtocol& protocol, DeviceIdentity& identity) {
    identity.firmwareInfoValid = false;
    try {
        ChangeMode(protocol, kModeWorking);
        uint8_t state[4];
        CheckStatus(protocol.GetState(state));
        state[0] &= static_cast<uint8_t>(~kMemoryBit);
        SelectProcessor(protocol, state, true);
        uint16_t unused = 0;
        ReadVersions(protocol, identity.atmegaFirmwareVersion, unused);
        ReadIdentityBlock(protocol, identity);
        SelectProcessor(protocol, state, false);
        ReadVersions(protocol, identity.blackfinFirmwareVersion, identity.blackfinExtendedVersion);
        identity.firmwareInfoValid = true;
    } catch (const test_exception&) {
    }
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

void ReadDeviceIdentity(CDeviceProtocol& protocol, DeviceIdentity& identity) {
    uint8_t info[5];
    CheckStatus(protocol.GetInfo(info, 0));
    identity.deviceCode = info[4];

    uint8_t state[4];
    int32_t result = protocol.GetState(state);
    uint8_t initialMode = kModeWorking;
    if (result != RESULT_NO_LINK) {
        CheckStatus(result);
        initialMode = (state[0] & 0x02) ? kModeLoader : kModeWorking;
    }
    // The mode the device is not in comes first, so it ends where it was found.
    if (initialMode == kModeWorking) {
        ReadLoaderPart(protocol, identity);
        ReadWorkingPart(protocol, identity);
    } else {
        ReadWorkingPart(protocol, identity);
        ReadLoaderPart(protocol, identity);
    }
}

CalendarDate DosDateToCalendar(uint16_t dosDate) {
    CalendarDate date{1980 + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F, false};
    date.valid = date.month >= 1 && date.month <= 12 && date.day >= 1 &&
                 date.day <= DaysInMonth(date.year, date.month);
    return date;
}

std::string DeviceName(uint8_t deviceCode) {
    for (const Model& model : kModels) {
        if (model.code == deviceCode)
            return std::string(LoadText(model.typeId)) + " \"" + LoadText(model.modelId) + "\"";
    }
    return std::string(LoadText(IDS_MODEL_UNKNOWN)) + " (" + std::to_string(deviceCode) + ")";
}

std::string FormatVersion(uint16_t version) {
    return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

std::string FormatSerialNumber(uint32_t serialNumber) {
    return serialNumber == 0xFFFFFFFF ? "-" : std::to_string(serialNumber);
}

std::string FormatDate(const CalendarDate& date) {
    if (!date.valid) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%02i.%02i.%04i", date.day, date.month, date.year);
    return text;
}
