#include "device/device_identity.h"

#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "tests/support/failure_text.h"
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

// The simulated device changes modes at once, so the mode polls need no real waiting.
class IdentityRead : public ::testing::Test {
protected:
    FastWaitClock fast;
};

}  // namespace

TEST_F(IdentityRead, FoundInWorkingModeVisitsLoaderFirstAndComesBack) {
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

TEST_F(IdentityRead, FoundInLoaderModeVisitsWorkingFirstAndComesBack) {
    SimPort sim(InLoaderMode());
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);
    EXPECT_EQ(ModesRequested(sim), (std::vector<int>{0, 1}));
    EXPECT_EQ(sim.scanner.Mode(), 1);
    EXPECT_EQ(sim.scanner.State()[0] & 0x20, 0);
    EXPECT_TRUE(identity.firmwareInfoValid);
}

TEST_F(IdentityRead, ErasedBlockShowsDashes) {
    scanner_sim::Config config;
    config.identityBlock.fill(0xFF);
    SimPort sim(config);
    DeviceIdentity identity;
    ReadDeviceIdentity(sim.protocol, identity);
    EXPECT_EQ(FormatSerialNumber(identity.serialNumber), "-");
    EXPECT_EQ(FormatDate(identity.productionDate), "-");
}

TEST_F(IdentityRead, LoaderFailureReachesTheCaller) {
    SimPort sim;
    sim.scanner.InjectStatus(CMD_GET_INFO, 4, -1, 1);  // selector 0 passes, selector 1 fails
    DeviceIdentity identity;
    EXPECT_THROW(ReadDeviceIdentity(sim.protocol, identity), test_exception);
}

TEST(DeviceIdentity, NoAnswerIsNoLink) {
    SimPort sim({}, 9600, 50);
    sim.scanner.GoSilent(true);
    DeviceIdentity identity;
    EXPECT_EQ(FailureText([&] { ReadDeviceIdentity(sim.protocol, identity); }), "(-1) Нет связи");
}

// Names, versions and serials are checked in the information text; dates have edge cases of
// their own.
TEST(DeviceIdentityTexts, DatesAndExtremeValues) {
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
    EXPECT_EQ(FormatVersion(0xFFFF), "255.255");
    EXPECT_EQ(FormatSerialNumber(4294967294u), "4294967294");
}

TEST_F(IdentityRead, WorkingProgramThatCannotStartLeavesItsPartInvalid) {
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
