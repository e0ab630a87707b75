#include "device/device_identity.h"

#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "tests/support/fast_clock.h"
#include "tests/support/sim_port.h"

namespace {

// The modes the device was asked for, in order, from the state writes on the wire.
std::vector<int> ModesRequested(const SimPort& sim) {
    std::vector<int> modes;
    for (const auto& request : sim.Requests(CMD_STATE)) {
        if (request.params.size() != 4) continue;
        const int mode = (request.params[0] & 0x02) ? 1 : 0;
        if (modes.empty() || modes.back() != mode) modes.push_back(mode);
    }
    return modes;
}

scanner_sim::Config InLoaderMode() {
    scanner_sim::Config config;
    config.initialState = {0x02, 0x02, 0x00, 0x80};
    return config;
}

}  // namespace

TEST(DeviceIdentity, FoundInWorkingModeVisitsLoaderFirstAndComesBack) {
    SimPort sim;
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);

    EXPECT_EQ(ModesRequested(sim), (std::vector<int>{1, 0}));
    EXPECT_EQ(sim.scanner.Mode(), 0);
    EXPECT_EQ(sim.scanner.State()[0] & 0x30, 0) << "Blackfin selected and bit 4 clear at the end";

    const scanner_sim::Config config;
    EXPECT_EQ(identity.deviceCode, config.deviceCode);
    EXPECT_EQ(identity.atmegaLoaderVersion, config.atmega.loaderVersion);
    EXPECT_EQ(identity.atmegaHardwareVersion, config.atmega.hardwareVersion);
    EXPECT_EQ(identity.blackfinLoaderVersion, config.blackfin.loaderVersion);
    EXPECT_EQ(identity.blackfinHardwareVersion, config.blackfin.hardwareVersion);
    EXPECT_EQ(identity.atmegaFirmwareVersion, config.atmega.firmwareVersion);
    EXPECT_EQ(identity.blackfinFirmwareVersion, config.blackfin.firmwareVersion);
    EXPECT_EQ(identity.blackfinExtendedVersion, config.blackfin.extendedVersion);
    EXPECT_TRUE(identity.firmwareInfoValid);
    EXPECT_EQ(identity.serialNumber, 12345678u);
    EXPECT_EQ(FormatDate(identity.productionDate), "01.01.2011");
}

TEST(DeviceIdentity, FoundInLoaderModeVisitsWorkingFirstAndComesBack) {
    SimPort sim(InLoaderMode());
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);
    EXPECT_EQ(ModesRequested(sim), (std::vector<int>{0, 1}));
    EXPECT_EQ(sim.scanner.Mode(), 1);
    EXPECT_EQ(sim.scanner.State()[0] & 0x20, 0);
    EXPECT_TRUE(identity.firmwareInfoValid);
}

TEST(DeviceIdentity, ErasedBlockShowsDashes) {
    scanner_sim::Config config;
    config.identityBlock.fill(0xFF);
    SimPort sim(config);
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);
    EXPECT_EQ(FormatSerialNumber(identity.serialNumber), "-");
    EXPECT_EQ(FormatDate(identity.productionDate), "-");
}

TEST(DeviceIdentity, LoaderFailureReachesTheCaller) {
    SimPort sim;
    sim.scanner.InjectStatus(CMD_GET_INFO, 4, -1, 1);  // selector 0 passes, selector 1 fails
    DeviceIdentity identity;
    EXPECT_THROW(ReadDeviceIdentity(sim.protocol, identity), test_exception);
}

TEST(DeviceIdentity, NoAnswerIsNoLink) {
    SimPort sim({}, 9600, 50);
    sim.scanner.GoSilent(true);
    DeviceIdentity identity;
    try {
        ReadDeviceIdentity(sim.protocol, identity);
        ADD_FAILURE() << "no exception";
    } catch (const test_exception& e) {
        EXPECT_EQ(e.description(), "(-1) Нет связи");
    }
}

TEST(DeviceIdentityTexts, Dates) {
    EXPECT_EQ(FormatDate(DosDateToCalendar(0x3E21)), "01.01.2011");
    const auto dos = [](int year, int month, int day) {
        return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
    };
    EXPECT_EQ(FormatDate(DosDateToCalendar(dos(2012, 2, 29))), "29.02.2012");
    EXPECT_EQ(FormatDate(DosDateToCalendar(dos(2107, 12, 31))), "31.12.2107");
    EXPECT_EQ(FormatDate(DosDateToCalendar(dos(1980, 1, 1))), "01.01.1980");
    for (uint16_t invalid : {dos(2011, 2, 29), dos(2011, 4, 31), dos(2011, 13, 1), dos(2011, 0, 5),
                             dos(2011, 5, 0), uint16_t{0xFFFF}, uint16_t{0}}) {
        EXPECT_EQ(FormatDate(DosDateToCalendar(invalid)), "-") << invalid;
    }
}

TEST(DeviceIdentityTexts, NamesVersionsAndSerials) {
    EXPECT_EQ(DeviceName(151), "Ручной сканер \"Tovald HD\"");
    EXPECT_EQ(DeviceName(100), "Стационарный сканер \"Marlet\"");
    EXPECT_EQ(DeviceName(201), "Встраиваемый сканер \"Grendle+\"");
    EXPECT_EQ(DeviceName(99), "Неизвестная модель (99)");
    EXPECT_EQ(FormatVersion(0x0A00), "10.0");
    EXPECT_EQ(FormatVersion(0x0203), "2.3");
    EXPECT_EQ(FormatVersion(0xFFFF), "255.255");
    EXPECT_EQ(FormatSerialNumber(0xFFFFFFFF), "-");
    EXPECT_EQ(FormatSerialNumber(4294967294u), "4294967294");
}

TEST(DeviceIdentity, WorkingProgramThatCannotStartLeavesItsPartInvalid) {
    FastWaitClock fast;
    scanner_sim::Config config = InLoaderMode();
    config.workingProgramStarts = false;
    SimPort sim(config);
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);
    EXPECT_FALSE(identity.firmwareInfoValid);
    EXPECT_EQ(identity.atmegaLoaderVersion, config.atmega.loaderVersion);
    EXPECT_EQ(identity.blackfinHardwareVersion, config.blackfin.hardwareVersion);
    EXPECT_EQ(sim.scanner.Mode(), 1);
}
