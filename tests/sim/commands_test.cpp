// Commands, state word, modes and speed of the simulated scanner.
#include <gtest/gtest.h>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

using scanner_sim::Config;
using scanner_sim::Scanner;

Bytes Ok(uint8_t command, Bytes data = {}) {
    data.insert(data.begin(), {command, 0x00});
    return data;
}

Bytes Status(uint8_t command, uint8_t status) { return {command, status}; }

TEST(SimCommands, TriggerStaysPressedUntilCleared) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0x9B), Ok(0x9B, {0}));
    scanner.PressTrigger();
    EXPECT_EQ(client.Transact(0x9B), Ok(0x9B, {1}));
    EXPECT_EQ(client.Transact(0x9B), Ok(0x9B, {1}));
    EXPECT_EQ(client.Transact(0x9B, {0}), Ok(0x9B));
    EXPECT_EQ(client.Transact(0x9B), Ok(0x9B, {0}));
    EXPECT_FALSE(scanner.TriggerPressed());
}

TEST(SimCommands, InfoReportsVersionsOfSelectedProcessorInCurrentMode) {
    Config config;
    config.atmega = {0x0101, 0x0202, 0x0303, 0x0404};
    config.blackfin = {0x0505, 0x0606, 0x0707, 0x0808};
    config.initialState = {0x22, 0x02, 0x00, 0x80};  // loader mode, ready, ATmega
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0x9E, {1}), Ok(0x9E, {0x01, 0x01, 0x02, 0x02, 0}));
    EXPECT_EQ(client.Transact(0x9F, {0x02, 0x02, 0x00, 0x80}), Ok(0x9F));  // Blackfin
    EXPECT_EQ(client.Transact(0x9E, {1}), Ok(0x9E, {0x05, 0x05, 0x06, 0x06, 0}));
    EXPECT_EQ(client.Transact(0x9F, {0x00, 0x00, 0x00, 0x80}), Ok(0x9F));  // working mode
    EXPECT_EQ(client.Transact(0x9E, {1}), Ok(0x9E, {0x07, 0x07, 0x08, 0x08, 0}));
    EXPECT_EQ(client.Transact(0x9E, {2}), Status(0x9E, 4));
    EXPECT_EQ(client.Transact(0xA0), Status(0xA0, 8));
}

TEST(SimCommands, StateKeepsWrittenBitsAndReportsModeAndReadiness) {
    Config config;
    config.loaderReadyDelayMs = 60000;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0x9F, {0x30, 0x00, 0x03, 0x11}), Ok(0x9F));
    EXPECT_EQ(client.Transact(0x9F), Ok(0x9F, {0x30, 0x00, 0x03, 0x11}));
    // Asking for loader mode: the mode bits follow, readiness does not until the delay passed.
    EXPECT_EQ(client.Transact(0x9F, {0x32, 0x02, 0x03, 0x11}), Ok(0x9F));
    EXPECT_EQ(client.Transact(0x9F), Ok(0x9F, {0x32, 0x02, 0x03, 0x11}));
    EXPECT_EQ(scanner.Mode(), 1);
    // Readiness is the device's: a written bit 7 of byte 3 does not stick.
    EXPECT_EQ(client.Transact(0x9F, {0x32, 0x02, 0x03, 0x91}), Ok(0x9F));
    EXPECT_EQ(client.Transact(0x9F), Ok(0x9F, {0x32, 0x02, 0x03, 0x11}));
    EXPECT_EQ(client.Transact(0x9F, {1, 2}), Status(0x9F, 4));
}

TEST(SimCommands, ModeChangeGoesSilentAndComesBackAtConfiguredSpeed) {
    Config config;
    config.modeChangeSilenceMs = 300;
    config.modeChangeBaudIndex = 6;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0x9F, {0x02, 0x02, 0, 0}), Ok(0x9F));
    EXPECT_FALSE(client.Transact(0x9F, {}, 100ms));
    EXPECT_EQ(scanner.Log().back().note, "changing mode");
    client.SetBaud(115200);
    std::optional<Bytes> state;
    for (int i = 0; i < 50 && !state; ++i) state = client.Transact(0x9F, {}, 100ms);
    ASSERT_TRUE(state);
    EXPECT_EQ(*state, Ok(0x9F, {0x02, 0x02, 0x00, 0x80}));
    EXPECT_EQ(scanner.BaudIndex(), 6);
}

TEST(SimCommands, WorkingProgramThatDoesNotStartLeavesLoaderMode) {
    Config config;
    config.initialState = {0x02, 0x02, 0x00, 0x80};
    config.workingProgramStarts = false;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0x9F, {0x00, 0x00, 0x00, 0x80}), Ok(0x9F));
    EXPECT_EQ(client.Transact(0x9F), Ok(0x9F, {0x02, 0x02, 0x00, 0x80}));
}

TEST(SimCommands, SpeedChangeAnswersAtOldSpeedThenSwitches) {
    Config config;
    config.baudSwitchDelayMs = 0;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0xA1), Ok(0xA1, {2}));
    EXPECT_EQ(client.Transact(0xA1, {7}), Status(0xA1, 4));
    EXPECT_EQ(client.Transact(0xA1, {6}), Ok(0xA1));
    EXPECT_FALSE(client.Transact(0xA1, {}, 100ms));
    client.SetBaud(115200);
    EXPECT_EQ(client.Transact(0xA1), Ok(0xA1, {6}));
}

TEST(SimCommands, SpeedChangeTakesEffectOnlyAfterTheDelay) {
    Config config;
    config.baudSwitchDelayMs = 5000;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0xA1, {5}), Ok(0xA1));
    EXPECT_EQ(client.Transact(0xA1), Ok(0xA1, {2}));
}

TEST(SimCommands, DeviceWithoutSpeedCommandAnswersNotSupported) {
    Config config;
    config.hasBaudCommand = false;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(client.Transact(0xA1), Status(0xA1, 8));
    EXPECT_EQ(client.Transact(0xA1, {4}), Status(0xA1, 8));
}

TEST(SimCommands, IdentityBlockOnlyInWorkingModeWithAtmega) {
    Config config;
    config.identityBlock = {1, 2, 3, 4, 5, 6, 7, 8};
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    Bytes read8{0x00, 0x00, 0xFD, 0x00, 8};
    EXPECT_EQ(client.Transact(0x9D, read8), Status(0x9D, 145));  // Blackfin selected
    EXPECT_EQ(client.Transact(0x9F, {0x20, 0, 0, 0}), Ok(0x9F));
    EXPECT_EQ(client.Transact(0x9D, read8), Ok(0x9D, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(client.Transact(0x9D, {0x04, 0x00, 0xFD, 0x00, 4}), Ok(0x9D, {5, 6, 7, 8}));
    EXPECT_EQ(client.Transact(0x9D, {0x04, 0x00, 0xFD, 0x00, 5}), Status(0x9D, 145));
    EXPECT_EQ(client.Transact(0x9D, {0x00, 0x00, 0xFD, 0x00, 0}), Status(0x9D, 144));
    EXPECT_EQ(client.Transact(0x9D, {0x00, 0x00, 0xFD, 0x00, 255}), Status(0x9D, 144));
    EXPECT_EQ(client.Transact(0x9D, {0x00, 0x00, 0x10, 0x00, 8}), Status(0x9D, 145));
}

}  // namespace
}  // namespace sim_test
