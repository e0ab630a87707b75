// Commands, state word, modes and speed of the simulated scanner, on its device model with the
// time given by the test, so every delay is exact. What the program's own tests show against the
// simulator (a working program that does not start, a device without the speed command) is not
// repeated here.
#include <gtest/gtest.h>

#include "tools/scanner-sim/device_model.h"

namespace sim_test {
namespace {

using scanner_sim::Bytes;
using scanner_sim::Config;
using scanner_sim::DeviceModel;

// The answer as it follows the echo on the line: status, then data.
Bytes Ask(DeviceModel& device, uint8_t command, const Bytes& params = {}, double atMs = 0) {
    scanner_sim::Answer answer = device.Execute(command, params, atMs);
    answer.data.insert(answer.data.begin(), answer.status);
    return answer.data;
}

const Bytes kOk{0};

TEST(SimCommands, TriggerStaysPressedUntilCleared) {
    DeviceModel device(Config{});
    EXPECT_EQ(Ask(device, 0x9B), (Bytes{0, 0}));
    device.SetTrigger(true);
    EXPECT_EQ(Ask(device, 0x9B), (Bytes{0, 1}));
    EXPECT_EQ(Ask(device, 0x9B), (Bytes{0, 1}));
    EXPECT_EQ(Ask(device, 0x9B, {0}), kOk);
    EXPECT_EQ(Ask(device, 0x9B), (Bytes{0, 0}));
    EXPECT_EQ(Ask(device, 0x9B, {1, 1}), Bytes{4});
}

TEST(SimCommands, InfoReportsVersionsOfSelectedProcessorInCurrentMode) {
    Config config;
    config.atmega = {0x0101, 0x0202, 0x0303, 0x0404};
    config.blackfin = {0x0505, 0x0606, 0x0707, 0x0808};
    config.initialState = {0x22, 0x02, 0x00, 0x80};  // loader mode, ready, ATmega
    DeviceModel device(config);
    EXPECT_EQ(Ask(device, 0x9E, {0}), (Bytes{0, 1, 0, 0, 0, 151}));
    EXPECT_EQ(Ask(device, 0x9E, {1}), (Bytes{0, 0x01, 0x01, 0x02, 0x02, 0}));
    EXPECT_EQ(Ask(device, 0x9F, {0x02, 0x02, 0x00, 0x80}), kOk);  // Blackfin
    EXPECT_EQ(Ask(device, 0x9E, {1}), (Bytes{0, 0x05, 0x05, 0x06, 0x06, 0}));
    EXPECT_EQ(Ask(device, 0x9F, {0x00, 0x00, 0x00, 0x80}), kOk);  // working mode
    EXPECT_EQ(Ask(device, 0x9E, {1}), (Bytes{0, 0x07, 0x07, 0x08, 0x08, 0}));
    EXPECT_EQ(Ask(device, 0x9E, {2}), Bytes{4});
    EXPECT_EQ(Ask(device, 0xA0), Bytes{8});
}

TEST(SimCommands, StateKeepsWrittenBitsAndReportsModeAndReadiness) {
    Config config;
    config.loaderReadyDelayMs = 1000;
    DeviceModel device(config);
    EXPECT_EQ(Ask(device, 0x9F, {0x30, 0x00, 0x03, 0x11}), kOk);
    EXPECT_EQ(Ask(device, 0x9F), (Bytes{0, 0x30, 0x00, 0x03, 0x11}));
    // Asking for loader mode: the mode bits follow at once, readiness only after the delay; a
    // written bit 7 of byte 3 neither sets nor clears it.
    EXPECT_EQ(Ask(device, 0x9F, {0x32, 0x02, 0x03, 0x91}, 100), kOk);
    EXPECT_EQ(Ask(device, 0x9F, {}, 1099), (Bytes{0, 0x32, 0x02, 0x03, 0x11}));
    EXPECT_EQ(Ask(device, 0x9F, {}, 1100), (Bytes{0, 0x32, 0x02, 0x03, 0x91}));
    EXPECT_EQ(Ask(device, 0x9F, {0x32, 0x02, 0x03, 0x11}, 1200), kOk);
    EXPECT_EQ(Ask(device, 0x9F, {}, 1200), (Bytes{0, 0x32, 0x02, 0x03, 0x91}));
    EXPECT_EQ(Ask(device, 0x9F, {1, 2}), Bytes{4});
}

TEST(SimCommands, ModeChangeGoesSilentAndComesBackAtConfiguredSpeed) {
    Config config;
    config.modeChangeSilenceMs = 300;
    config.modeChangeBaudIndex = 6;
    DeviceModel device(config);
    EXPECT_EQ(Ask(device, 0x9F, {0x02, 0x02, 0, 0}, 1000), kOk);
    EXPECT_FALSE(device.Answering(1299));
    EXPECT_EQ(device.BaudIndex(), 2);
    EXPECT_TRUE(device.Answering(1300));
    EXPECT_EQ(Ask(device, 0x9F, {}, 1300), (Bytes{0, 0x02, 0x02, 0x00, 0x80}));
    EXPECT_EQ(device.BaudIndex(), 6);
}

TEST(SimCommands, SpeedChangeTakesEffectAfterTheDelay) {
    DeviceModel device(Config{});  // 40 ms
    EXPECT_EQ(Ask(device, 0xA1), (Bytes{0, 2}));
    EXPECT_EQ(Ask(device, 0xA1, {7}), Bytes{4});
    EXPECT_EQ(Ask(device, 0xA1, {6}, 100), kOk);
    EXPECT_EQ(Ask(device, 0xA1, {}, 139), (Bytes{0, 2}));
    EXPECT_EQ(Ask(device, 0xA1, {}, 140), (Bytes{0, 6}));
}

TEST(SimCommands, IdentityBlockOnlyInWorkingModeWithAtmega) {
    Config config;
    config.identityBlock = {1, 2, 3, 4, 5, 6, 7, 8};
    DeviceModel device(config);
    const Bytes read8{0x00, 0x00, 0xFD, 0x00, 8};
    EXPECT_EQ(Ask(device, 0x9D, read8), Bytes{145});  // Blackfin selected
    EXPECT_EQ(Ask(device, 0x9F, {0x20, 0, 0, 0}), kOk);
    EXPECT_EQ(Ask(device, 0x9D, read8), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Ask(device, 0x9D, {0x04, 0x00, 0xFD, 0x00, 4}), (Bytes{0, 5, 6, 7, 8}));
    EXPECT_EQ(Ask(device, 0x9D, {0x04, 0x00, 0xFD, 0x00, 5}), Bytes{145});
    EXPECT_EQ(Ask(device, 0x9D, {0x00, 0x00, 0xFD, 0x00, 0}), Bytes{144});
    EXPECT_EQ(Ask(device, 0x9D, {0x00, 0x00, 0xFD, 0x00, 255}), Bytes{144});
    EXPECT_EQ(Ask(device, 0x9D, {0x00, 0x00, 0x10, 0x00, 8}), Bytes{145});
    EXPECT_EQ(Ask(device, 0x9F, {0x22, 0x02, 0, 0}), kOk);
    EXPECT_EQ(Ask(device, 0x9D, read8, 1), Bytes{145}) << "not in loader mode";
}

}  // namespace
}  // namespace sim_test
