#include "device/packet_protocol.h"

#include <gtest/gtest.h>

#include "tests/support/failure_text.h"
#include "tests/support/sim_port.h"
#include "tools/scanner-sim/frame_parser.h"

namespace {

using scanner_sim::BuildFrame;
using scanner_sim::Bytes;

// The simulated scanner answers what a test injects; its log shows the requests as it parsed
// them, so a request it logged with its command and parameters was framed correctly.
class PacketProtocol : public ::testing::Test {
protected:
    SimPort sim{{}, 9600, 100};
    scanner_sim::Scanner& device = sim.scanner;
    CDeviceProtocol& protocol = sim.protocol;
};

}  // namespace

// The device parses the program's frames, the longest too; the program reads a literal frame and
// one of 256 payload bytes (length byte 0).
TEST_F(PacketProtocol, FramesBothWays) {
    const uint8_t zero = 0;
    uint8_t info[5];
    EXPECT_EQ(protocol.Transact(0x9E, info, 5, &zero, 1), RESULT_OK);
    EXPECT_EQ(info[4], 151);
    device.InjectRawAnswer({0x02, 0x03, 0xA1, 0x00, 0x04, 0xA6});
    uint8_t index = 0xFF;
    EXPECT_EQ(protocol.Transact(0xA1, &index, 1, nullptr, 0), RESULT_OK);
    EXPECT_EQ(index, 4);

    Bytes answer{0x9C, 0x00};
    for (int i = 0; i < 254; ++i) answer.push_back(static_cast<uint8_t>(i));
    device.InjectRawAnswer(BuildFrame(answer));
    uint8_t params[255];
    for (int i = 0; i < 255; ++i) params[i] = static_cast<uint8_t>(255 - i);
    uint8_t data[254] = {};
    ASSERT_EQ(protocol.Transact(0x9C, data, 254, params, 255), RESULT_OK);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[253], 253);

    const auto log = device.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].params, Bytes{0});
    EXPECT_EQ(log[1].command, 0xA1);
    EXPECT_TRUE(log[1].params.empty());
    EXPECT_EQ(log[2].command, 0x9C);
    EXPECT_EQ(log[2].params, Bytes(params, params + 255));

    EXPECT_EQ(protocol.Transact(0x9C, nullptr, 0, params, 256), STATUS_BAD_PARAMETERS);
    EXPECT_EQ(device.RequestCount(), 3u) << "an unframeable request must not be sent";
}

TEST_F(PacketProtocol, BusyThreeTimesIsNoLinkWithPauses) {
    device.InjectBusy(3);
    const auto start = std::chrono::steady_clock::now();
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), RESULT_NO_LINK);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    auto log = device.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_GE(log[1].timeMs - log[0].timeMs, 60);
    EXPECT_GE(log[2].timeMs - log[1].timeMs, 60);
    EXPECT_GE(elapsed, std::chrono::milliseconds(180)) << "the third busy answer is paused too";
}

// Answers of the wrong length end the request at once; one that echoes another command is never
// taken, however often it comes. Neither touches the caller's buffer.
TEST_F(PacketProtocol, WrongEchoAndLengthFaultsLeaveTheAnswerAlone) {
    uint8_t state[4] = {9, 9, 9, 9};
    device.InjectEchoOnly(1);
    EXPECT_EQ(protocol.GetState(state), RESULT_BAD_LENGTH);
    EXPECT_EQ(device.RequestCount(), 1u);
    device.InjectExtraAnswerByte(1);
    EXPECT_EQ(protocol.GetState(state), RESULT_BAD_LENGTH);
    EXPECT_EQ(device.RequestCount(), 2u);
    device.InjectWrongEcho(3);
    EXPECT_EQ(protocol.GetState(state), RESULT_NO_LINK);
    EXPECT_EQ(device.RequestCount(), 5u);
    EXPECT_EQ(state[0], 9);
    EXPECT_EQ(state[3], 9);
}

TEST_F(PacketProtocol, ErrorStatusIsTheResultWhateverFollows) {
    device.InjectRawAnswer(BuildFrame({0x9F, 0x08, 0xDE, 0xAD}));
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(device.RequestCount(), 1u);
    EXPECT_EQ(FailureText([] { CheckStatus(STATUS_NOT_SUPPORTED); }),
              "(8) Команда не поддерживается");
    for (int32_t code : {3, 255, 1000}) EXPECT_STREQ(StatusText(code), "Неизвестная ошибка");
}

// Bytes that follow an answer are dropped before the next request. They leave the device in the
// same write as the answer, so they wait in the input queue by the time the answer is read.
TEST_F(PacketProtocol, StaleBytesArePurgedBeforeEveryAttempt) {
    const Bytes answer = BuildFrame({0x9F, 0x00, 1, 2, 3, 4});
    Bytes trailing = answer;
    trailing.insert(trailing.end(), {0x02, 0x05, 0x9F, 0x00, 0xEE, 0xEE});
    device.InjectRawAnswer(trailing);
    device.InjectRawAnswer(answer);
    uint8_t state[4] = {};
    EXPECT_EQ(protocol.GetState(state), RESULT_OK);
    EXPECT_EQ(protocol.GetState(state), RESULT_OK);
    EXPECT_EQ(state[3], 4);
    EXPECT_EQ(device.RequestCount(), 2u);
}

// A truncated answer times out like silence: the retries after it go out whole, three in all.
TEST_F(PacketProtocol, MalformedAnswersEachEndOneAttempt) {
    const Bytes good = BuildFrame({0x9F, 0x00, 1, 2, 3, 4});
    const Bytes badStart{0x03, 0x06, 0x9F, 0x00, 1, 2, 3, 4, good[8]};
    const Bytes badCheck{0x02, 0x06, 0x9F, 0x00, 1, 2, 3, 4, static_cast<uint8_t>(good[8] ^ 1)};
    const Bytes truncated{0x02, 0x20, 0x9F, 0x00, 1, 2, 3, 4};  // promises far more than arrives

    for (const Bytes& bad : {badStart, badCheck, truncated}) {
        device.InjectRawAnswer(bad);
        device.InjectRawAnswer(bad);
        device.InjectRawAnswer(good);
        uint8_t state[4] = {};
        EXPECT_EQ(protocol.GetState(state), RESULT_OK);
        EXPECT_EQ(state[0], 1);
    }
    EXPECT_EQ(device.RequestCount(), 9u);

    for (int i = 0; i < 3; ++i) device.InjectRawAnswer(truncated);
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), RESULT_NO_LINK);
}
