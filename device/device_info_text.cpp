#include "device/device_info_text.h"

#include "core/string_table.h"
#include "device/device_identity.h"

namespace {

void AppendLine(std::string& text, int labelId, const std::string& value) {
    text += LoadText(labelId);
    text += value;
    text += "\r\n";
}

}  // namespace

std::string FormatDeviceInfo(const DeviceIdentity& identity) {
    const bool firmware = identity.firmwareInfoValid;
    // Values of the working-program part; without it they were never read.
    auto firmwareValue = [firmware](const std::string& value) {
        return firmware ? value : std::string(LoadText(IDS_INFO_NOT_READ));
    };

    std::string text;
    AppendLine(text, IDS_INFO_DEVICE_TYPE, DeviceName(identity.deviceCode));
    AppendLine(text, IDS_INFO_SERIAL, firmwareValue(FormatSerialNumber(identity.serialNumber)));
    AppendLine(text, IDS_INFO_DATE, firmwareValue(FormatDate(identity.productionDate)));
    text += LoadText(IDS_INFO_HW_VERSIONS);
    AppendLine(text, IDS_INFO_ATMEGA, FormatVersion(identity.atmegaHardwareVersion));
    AppendLine(text, IDS_INFO_BLACKFIN, FormatVersion(identity.blackfinHardwareVersion));
    text += LoadText(IDS_INFO_LOADER_VERSIONS);
    AppendLine(text, IDS_INFO_ATMEGA, FormatVersion(identity.atmegaLoaderVersion));
    AppendLine(text, IDS_INFO_BLACKFIN, FormatVersion(identity.blackfinLoaderVersion));
    text += LoadText(IDS_INFO_FW_VERSIONS);
    AppendLine(text, IDS_INFO_ATMEGA, firmwareValue(FormatVersion(identity.atmegaFirmwareVersion)));
    AppendLine(text, IDS_INFO_BLACKFIN,
               firmwareValue(FormatVersion(identity.blackfinFirmwareVersion)));
    AppendLine(text, IDS_INFO_BLACKFIN_EXT,
               firmwareValue(FormatVersion(identity.blackfinExtendedVersion)));
    return text;
}
