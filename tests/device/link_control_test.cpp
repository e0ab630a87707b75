#include "device/link_control.h"

#include <gtest/gtest.h>

#include "device/baud_rate.h"
#include "device/device_commands.h"
#include "tests/support/failure_text.h"
#include "tests/support/fast_clock.h"
#include "tests/support/sim_port.h"

namespace {

scanner_sim::Config DeviceAt(int baudIndex) {
    scanner_sim::Config config;
    config.baudIndex = baudIndex;
    return config;
}

using Speeds = std::vector<uint32_t>;

}  // namespace

TEST(CheckLink, SearchesEverySpeedInOrderAndStaysWhereTheDeviceAnswered) {
    SimPort sim(DeviceAt(6), 9600, 700);
    EXPECT_TRUE(CheckLink(sim.protocol));
    EXPECT_EQ(sim.SpeedsTried(CMD_GET_INFO),
              (Speeds{9600, 2400, 4800, 19200, 38400, 57600, 115200}));
    EXPECT_EQ(sim.port.GetBaudRate(), 115200u);
    EXPECT_EQ(sim.port.GetTimeout(), 700u);
}

TEST(CheckLink, PreferredSpeedsComeSecond) {
    SimPort sim(DeviceAt(5), 9600);
    const uint8_t preferred[] = {6};
    EXPECT_TRUE(CheckLink(sim.protocol, preferred, 1));
    EXPECT_EQ(sim.SpeedsTried(CMD_GET_INFO),
              (Speeds{9600, 115200, 2400, 4800, 19200, 38400, 57600}));
    EXPECT_EQ(sim.port.GetBaudRate(), 57600u);
}

TEST(CheckLink, NothingAnswersPutsThePortBack) {
    SimPort sim({}, 9600, 700);
    sim.scanner.GoSilent(true);
    EXPECT_FALSE(CheckLink(sim.protocol));
    EXPECT_EQ(sim.SpeedsTried(CMD_GET_INFO).size(), 7u);
    EXPECT_EQ(sim.port.GetBaudRate(), 9600u);
    EXPECT_EQ(sim.port.GetTimeout(), 700u);
}

TEST(CheckLink, DeviceErrorThrowsAndStillRestoresTheTimeout) {
    SimPort sim({}, 9600, 700);
    sim.scanner.InjectStatus(CMD_GET_INFO, 115, -1);
    EXPECT_EQ(FailureText([&] { CheckLink(sim.protocol); }),
              "(115) Команда не поддерживается в данном режиме");
    EXPECT_EQ(sim.port.GetTimeout(), 700u);
}

TEST(SetDeviceBaudIndex, SwitchesTheDeviceAndFollowsIt) {
    SimPort sim(DeviceAt(2));
    SetDeviceBaudIndex(sim.protocol, 2, SpeedCommand::Required);
    EXPECT_EQ(sim.scanner.RequestCount(), 1u) << "already there: one query";
    sim.scanner.ClearLog();
    SetDeviceBaudIndex(sim.protocol, 6, SpeedCommand::Required);
    EXPECT_EQ(sim.scanner.BaudIndex(), 6);
    EXPECT_EQ(sim.port.GetBaudRate(), 115200u);
    // After the switch the preferred speed is tried right after the old one.
    EXPECT_EQ(sim.SpeedsTried(CMD_GET_INFO), (Speeds{9600, 115200}));
}

TEST(SetDeviceBaudIndex, DeviceWithoutSpeedCommand) {
    scanner_sim::Config config = DeviceAt(4);
    config.hasBaudCommand = false;
    SimPort sim(config, 38400);
    SetDeviceBaudIndex(sim.protocol, 4, SpeedCommand::Required);
    EXPECT_EQ(sim.scanner.RequestCount(), 1u);

    SetDeviceBaudIndex(sim.protocol, 6, SpeedCommand::Optional);
    EXPECT_EQ(sim.scanner.RequestCount(), 3u);  // query and the refused set, nothing after
    EXPECT_EQ(FailureText([&] { SetDeviceBaudIndex(sim.protocol, 6, SpeedCommand::Required); }),
              "(8) Команда не поддерживается");
    EXPECT_EQ(sim.port.GetBaudRate(), 38400u);
}

TEST(SetStateVerified, ComparesAllButTheFreeBitsOfByteTwo) {
    scanner_sim::Config config;
    config.stateWriteXor = {0, 0, 0xFC, 0};
    SimPort relaxed(config);
    const uint8_t state[4] = {0x20, 0x00, 0x01, 0x00};
    EXPECT_NO_THROW(SetStateVerified(relaxed.protocol, state));

    config.stateWriteXor = {0, 0, 0, 0x01};
    SimPort strict(config);
    EXPECT_EQ(FailureText([&] { SetStateVerified(strict.protocol, state); }),
              "Ошибка смены состояния");
}

TEST(ChangeMode, LoaderModeWaitsUntilTheDeviceIsReady) {
    scanner_sim::Config config;
    config.loaderReadyDelayMs = 1000;
    SimPort sim(config);
    ChangeMode(sim.protocol, kModeWorking);
    EXPECT_EQ(sim.scanner.RequestCount(), 1u) << "already in working mode: one query";
    sim.scanner.ClearLog();
    ChangeMode(sim.protocol, kModeLoader);
    EXPECT_EQ(sim.scanner.Mode(), 1);
    EXPECT_TRUE(sim.scanner.State()[3] & 0x80);
    EXPECT_GE(sim.Requests(CMD_STATE).size(), 3u) << "it must have polled more than once";
}

TEST(ChangeMode, FindsTheDeviceAgainAfterSilenceAtAnotherSpeed) {
    scanner_sim::Config config;
    config.modeChangeSilenceMs = 400;
    config.modeChangeBaudIndex = 6;
    config.initialState = {0x02, 0x02, 0x00, 0x80};  // loader mode, ready
    SimPort sim(config);
    ChangeMode(sim.protocol, kModeWorking);
    EXPECT_EQ(sim.scanner.Mode(), 0);
    EXPECT_EQ(sim.port.GetBaudRate(), 115200u);
}

// The limit passes on the test's clock: the polls are as many as the limit allows, each of them
// asking for the mode again.
TEST(ChangeMode, DevicePresentButUnchangedAfterTheLimit) {
    FastWaitClock fast;
    scanner_sim::Config config;
    config.initialState = {0x02, 0x02, 0x00, 0x80};
    config.workingProgramStarts = false;
    SimPort sim(config);
    EXPECT_EQ(FailureText([&] { ChangeMode(sim.protocol, kModeWorking); }), "Ошибка смены режима");
    size_t reads = 0, writes = 0;
    for (const auto& request : sim.Requests(CMD_STATE)) ++(request.params.empty() ? reads : writes);
    EXPECT_GT(writes, 4u);
    EXPECT_EQ(writes, reads) << "every poll that found the old mode asked again";
}

// Each poll of a silent device takes real time-outs, so the clock also runs fast with real time.
TEST(ChangeMode, DeviceGoneAfterTheLimitIsNoLink) {
    FastWaitClock fast(100);
    SimPort sim({}, 9600, 50);
    sim.scanner.GoSilentAfter(2);  // the state query and the mode request, then nothing
    EXPECT_EQ(FailureText([&] { ChangeMode(sim.protocol, kModeLoader); }), "(-1) Нет связи");
}
