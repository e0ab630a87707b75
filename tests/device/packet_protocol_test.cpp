#include "device/packet_protocol.h"

#include <gtest/gtest.h>

#include "tests/support/failure_text.h"
#include "tests/support/scripted_device.h"

namespace {

using Bytes = ScriptedDevice::Bytes;

class PacketProtocol : public ::testing::Test, public ScriptedPort {};

}  // namespace

TEST_F(PacketProtocol, WorkedFramesByteForByte) {
    // Unanswered: each request goes out three times, whole.
    uint8_t state[4];
    EXPECT_EQ(protocol.Transact(0x9F, state, 4, nullptr, 0), RESULT_NO_LINK);
    const uint8_t zero = 0;
    uint8_t info[5];
    EXPECT_EQ(protocol.Transact(0x9E, info, 5, &zero, 1), RESULT_NO_LINK);
    auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(requests[i], (Bytes{0x02, 0x01, 0x9F, 0x9E}));
        EXPECT_EQ(requests[3 + i], (Bytes{0x02, 0x02, 0x9E, 0x00, 0x9C}));
    }

    device.Answer({0x02, 0x03, 0xA1, 0x00, 0x04, 0xA6});
    uint8_t index = 0xFF;
    EXPECT_EQ(protocol.Transact(0xA1, &index, 1, nullptr, 0), RESULT_OK);
    EXPECT_EQ(index, 4);
}

TEST_F(PacketProtocol, LongestFramesBothWays) {
    Bytes answer{0x9C, 0x00};
    for (int i = 0; i < 254; ++i) answer.push_back(static_cast<uint8_t>(i));
    device.AnswerPayload(answer);  // 256 payload bytes: length byte 0x00

    uint8_t params[255];
    for (int i = 0; i < 255; ++i) params[i] = static_cast<uint8_t>(255 - i);
    uint8_t data[254] = {};
    ASSERT_EQ(protocol.Transact(0x9C, data, 254, params, 255), RESULT_OK);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[253], 253);

    const Bytes request = device.Requests().at(0);
    ASSERT_EQ(request.size(), 259u);
    EXPECT_EQ(request[1], 0x00);
    EXPECT_EQ(request[2], 0x9C);
    EXPECT_EQ(request[257], 1);
    uint8_t check = 0;
    for (size_t i = 1; i < 258; ++i) check ^= request[i];
    EXPECT_EQ(request[258], check);

    EXPECT_EQ(protocol.Transact(0x9C, nullptr, 0, params, 256), STATUS_BAD_PARAMETERS);
    EXPECT_EQ(device.Requests().size(), 1u) << "an unframeable request must not be sent";
}

TEST_F(PacketProtocol, BusyThreeTimesIsNoLinkWithPauses) {
    for (int i = 0; i < 3; ++i) device.AnswerPayload({0x9F, 0x02});
    const auto start = ScriptedDevice::Clock::now();
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), RESULT_NO_LINK);
    const auto elapsed = ScriptedDevice::Clock::now() - start;

    auto times = device.RequestTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_GE(times[1] - times[0], std::chrono::milliseconds(60));
    EXPECT_GE(times[2] - times[1], std::chrono::milliseconds(60));
    EXPECT_GE(elapsed, std::chrono::milliseconds(180)) << "the third busy answer is paused too";
}

TEST_F(PacketProtocol, WrongEchoIsNeverAccepted) {
    for (int i = 0; i < 3; ++i) device.AnswerPayload({0x9E, 0x00, 1, 2, 3, 4});
    uint8_t state[4] = {9, 9, 9, 9};
    EXPECT_EQ(protocol.Transact(0x9F, state, 4, nullptr, 0), RESULT_NO_LINK);
    EXPECT_EQ(device.Requests().size(), 3u);
    EXPECT_EQ(state[0], 9);
}

TEST_F(PacketProtocol, LengthFaultsEndAtOnceAndLeaveTheAnswerAlone) {
    device.AnswerPayload({0x9F});  // the echo alone
    uint8_t state[4] = {9, 9, 9, 9};
    EXPECT_EQ(protocol.GetState(state), RESULT_BAD_LENGTH);
    EXPECT_EQ(device.Requests().size(), 1u);

    device.AnswerPayload({0x9F, 0x00, 1, 2, 3, 4, 5});  // one answer byte too many
    EXPECT_EQ(protocol.GetState(state), RESULT_BAD_LENGTH);
    EXPECT_EQ(device.Requests().size(), 2u);
    EXPECT_EQ(state[0], 9);
    EXPECT_EQ(state[3], 9);
}

TEST_F(PacketProtocol, ErrorStatusIsTheResultWhateverFollows) {
    device.AnswerPayload({0x9F, 0x08, 0xDE, 0xAD});
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(device.Requests().size(), 1u);
    EXPECT_EQ(FailureText([] { CheckStatus(STATUS_NOT_SUPPORTED); }),
              "(8) Команда не поддерживается");
    for (int32_t code : {3, 255, 1000}) EXPECT_STREQ(StatusText(code), "Неизвестная ошибка");
}

TEST_F(PacketProtocol, StaleBytesArePurgedBeforeEveryAttempt) {
    device.SendNow({0x02, 0x05, 0x9F, 0x00, 0xEE, 0xEE});
    device.AnswerPayload({0x9F, 0x00, 1, 2, 3, 4});
    uint8_t state[4] = {};
    EXPECT_EQ(protocol.GetState(state), RESULT_OK);
    EXPECT_EQ(state[3], 4);
    EXPECT_EQ(device.Requests().size(), 1u);
}

TEST_F(PacketProtocol, MalformedAnswersEachEndOneAttempt) {
    const Bytes good = scanner_sim::BuildFrame({0x9F, 0x00, 1, 2, 3, 4});
    const Bytes badStart{0x03, 0x06, 0x9F, 0x00, 1, 2, 3, 4, good[8]};
    const Bytes badCheck{0x02, 0x06, 0x9F, 0x00, 1, 2, 3, 4, static_cast<uint8_t>(good[8] ^ 1)};
    const Bytes truncated{0x02, 0x20, 0x9F, 0x00, 1, 2, 3, 4};  // promises far more than arrives

    for (const Bytes& bad : {badStart, badCheck, truncated}) {
        device.Answer(bad);
        device.Answer(bad);
        device.Answer(good);
        uint8_t state[4] = {};
        EXPECT_EQ(protocol.GetState(state), RESULT_OK);
        EXPECT_EQ(state[0], 1);
    }
    EXPECT_EQ(device.Requests().size(), 9u);

    for (int i = 0; i < 3; ++i) device.Answer(truncated);
    uint8_t state[4];
    EXPECT_EQ(protocol.GetState(state), RESULT_NO_LINK);
}
