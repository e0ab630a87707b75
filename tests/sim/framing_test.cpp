// Frames, check bytes and resynchronisation of the simulated scanner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

using scanner_sim::Scanner;

TEST(SimFraming, AnswersInfoWithEchoStatusAndValidCheckByte) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    ASSERT_TRUE(client.IsOpen());
    client.Write({0x02, 0x02, 0x9E, 0x00, 0x9C});
    Bytes raw = client.ReadBytes(10, 1000ms);
    // 02 07 9E 00 <5 bytes> check; the device code is answer byte 4.
    ASSERT_EQ(raw.size(), 10u);
    EXPECT_EQ(raw[0], 0x02);
    EXPECT_EQ(raw[1], 0x07);
    EXPECT_EQ(raw[2], 0x9E);
    EXPECT_EQ(raw[3], 0x00);
    EXPECT_EQ(raw[8], 151);
    uint8_t check = 0;
    for (std::size_t i = 1; i < 9; ++i) check ^= raw[i];
    EXPECT_EQ(raw[9], check);

    auto log = scanner.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].command, 0x9E);
    EXPECT_EQ(log[0].params, Bytes{0x00});
    EXPECT_EQ(log[0].status, 0);
    EXPECT_EQ(log[0].lineBaud, 9600u);
    EXPECT_EQ(log[0].deviceBaud, 9600u);
}

TEST(SimFraming, SkipsGarbageBeforeStartByteAndReadsFullLengthFrames) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    // Noise, then a write of 251 data bytes: 256 payload bytes, length byte 0.
    Bytes payload{0x9C, 0x00, 0x00, 0x00, 0x01};
    payload.resize(256, 0x33);
    Bytes wire{0xFF, 0x13, 0x00};
    Bytes frame = Frame(payload);
    ASSERT_EQ(frame[1], 0x00);
    wire.insert(wire.end(), frame.begin(), frame.end());
    client.Write(wire);
    auto reply = client.ReadFrame();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->checkOk);
    EXPECT_EQ(reply->payload[0], 0x9C);
    ASSERT_TRUE(scanner.WaitForRequests(1, 1000ms));
    EXPECT_EQ(scanner.Log()[0].params.size(), 255u);
}

TEST(SimFraming, IgnoresRequestWithBadCheckAndDropsIncompleteFrameAfterGap) {
    scanner_sim::Config config;
    config.frameGapMs = 30;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    client.Write({0x02, 0x01, 0x9F, 0x00});  // check should be 9E
    EXPECT_FALSE(client.ReadFrame(150ms));
    ASSERT_TRUE(scanner.WaitForRequests(1, 1000ms));
    EXPECT_EQ(scanner.Log()[0].status, -1);

    client.Write({0x02, 0x05, 0x9D});  // cut short; the program gives up and asks again
    std::this_thread::sleep_for(100ms);
    auto answer = client.Transact(0x9F);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, (Bytes{0x9F, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(SimFraming, RequestAtWrongSpeedIsNotAnswered) {
    scanner_sim::Config config;
    config.baudIndex = 6;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_FALSE(client.Transact(0x9E, {0}, 150ms));
    client.SetBaud(115200);
    EXPECT_TRUE(client.Transact(0x9E, {0}));
    auto log = scanner.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].status, -1);
    EXPECT_EQ(log[0].lineBaud, 9600u);
    EXPECT_EQ(log[0].deviceBaud, 115200u);
    EXPECT_EQ(log[0].note, "wrong speed");
    EXPECT_EQ(log[1].status, 0);
}

TEST(SimFraming, PacedAnswerIsCompleteAndNeverFasterThanTheLine) {
    scanner_sim::Config config;
    config.baudIndex = 5;
    config.pacing = true;
    config.images = {Bytes(300, 0x41)};
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 57600);
    ASSERT_TRUE(client.Transact(0x9C, {0x07, 0x00, 0x00, 0x01, 0x01}));
    auto start = std::chrono::steady_clock::now();
    auto answer = client.Transact(0x9D, {0x18, 0x00, 0x00, 0x01, 128});
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(answer);
    Bytes expected{0x9D, 0x00};
    expected.resize(130, 0x41);
    EXPECT_EQ(*answer, expected);
    // 9 request and 133 answer bytes of 10 bits at 57600 bit/s take at least 24.6 ms.
    EXPECT_GE(elapsed, std::chrono::microseconds(142 * 10 * 1000000 / 57600));
}

TEST(SimFraming, SlaveKeepsSettingsBetweenOpensAndLinkFollowsLifetime) {
    std::string link = ::testing::TempDir() + "sim_link_test";
    {
        Scanner scanner;
        ASSERT_TRUE(scanner.LinkTo(link));
        { SimClient first(link, 57600); }
        EXPECT_EQ(scanner.LineBaud(), 57600u);
        SimClient second(link, 57600);
        ASSERT_TRUE(second.IsOpen());
    }
    EXPECT_NE(::access(link.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace sim_test
