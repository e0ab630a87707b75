#include "device/device_info_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_identity.h"

namespace {

DeviceIdentity SampleIdentity() {
    DeviceIdentity identity;
    identity.deviceCode = 151;
    identity.serialNumber = 12345678;
    identity.productionDate = DosDateToCalendar(0x3E21);  // 01.01.2011
    identity.atmegaHardwareVersion = 0x0200;
    identity.blackfinHardwareVersion = 0x0301;
    identity.atmegaLoaderVersion = 0x0103;
    identity.blackfinLoaderVersion = 0x0105;
    identity.atmegaFirmwareVersion = 0x0207;
    identity.blackfinFirmwareVersion = 0x020A;
    identity.blackfinExtendedVersion = 0x0A00;
    identity.firmwareInfoValid = true;
    return identity;
}

TEST(DeviceInfoText, LaysOutAllThirteenLines) {
    EXPECT_EQ(FormatDeviceInfo(SampleIdentity()),
              "Тип устройства\t\t\t: Ручной сканер \"Tovald HD\"\r\n"
              "Заводской номер\t\t\t: 12345678\r\n"
              "Дата производства (дд.мм.гггг)\t: 01.01.2011\r\n"
              "Версии \"железа\"\r\n"
              "\tATmega\t\t\t: 2.0\r\n"
              "\tBlackfin\t\t\t: 3.1\r\n"
              "Версии загрузчиков\r\n"
              "\tATmega\t\t\t: 1.3\r\n"
              "\tBlackfin\t\t\t: 1.5\r\n"
              "Версии рабочих программ\r\n"
              "\tATmega\t\t\t: 2.7\r\n"
              "\tBlackfin\t\t\t: 2.10\r\n"
              "\tBlackfin (расш.)\t\t: 10.0\r\n");
}

// Without the working program the five values it supplies are unknown, not the formatters'
// "-" for erased ones; an unknown model still names its code.
TEST(DeviceInfoText, UnreadWorkingProgramValuesShowQuestionMarks) {
    DeviceIdentity identity = SampleIdentity();
    identity.deviceCode = 99;
    identity.serialNumber = 0xFFFFFFFF;
    identity.productionDate = CalendarDate{};
    identity.firmwareInfoValid = false;
    const std::string unread = FormatDeviceInfo(identity);
    for (const char* line :
         {"Тип устройства\t\t\t: Неизвестная модель (99)\r\n", "Заводской номер\t\t\t: ?\r\n",
          "Дата производства (дд.мм.гггг)\t: ?\r\n", "\tATmega\t\t\t: 2.0\r\n",
          "\tATmega\t\t\t: ?\r\n", "\tBlackfin\t\t\t: ?\r\n", "\tBlackfin (расш.)\t\t: ?\r\n"}) {
        EXPECT_NE(unread.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(unread.begin(), unread.end(), '?'), 5);

    identity.firmwareInfoValid = true;
    const std::string text = FormatDeviceInfo(identity);
    EXPECT_NE(text.find("Заводской номер\t\t\t: -\r\n"), std::string::npos);
    EXPECT_NE(text.find("Дата производства (дд.мм.гггг)\t: -\r\n"), std::string::npos);
}

}  // namespace
