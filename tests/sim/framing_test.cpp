// Frames, check bytes, speeds and resynchronisation of the simulated scanner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/frame_parser.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

using scanner_sim::BuildFrame;
using scanner_sim::Scanner;

TEST(SimFraming, AnswersInfoWithEchoStatusAndValidCheckByte) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    ASSERT_TRUE(client.IsOpen());
    client.Write({0x02, 0x02, 0x9E, 0x00, 0x9C});
    // Echo, status 0, selector-0 answer with the device code last, check byte.
    EXPECT_EQ(client.ReadBytes(10, 1000ms), (Bytes{0x02, 0x07, 0x9E, 0x00, 1, 0, 0, 0, 151, 0x0F}));

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
    Bytes frame = BuildFrame(payload);
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

// Not answered: a bad check byte, the wrong line speed, a request during a mode change. The
// log says why; a request that is answered follows each.
TEST(SimFraming, RequestsItCannotTakeAreLoggedAndLeftUnanswered) {
    scanner_sim::Config config;
    config.baudIndex = 6;
    config.modeChangeSilenceMs = 60000;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 115200);
    const Bytes info{0x9E, 0, 1, 0, 0, 0, 151};
    client.Write({0x02, 0x01, 0x9F, 0x00});  // check should be 9E
    EXPECT_EQ(client.Transact(0x9E, {0}), info);
    client.SetBaud(9600);
    client.Send(0x9E, {0});
    ASSERT_TRUE(scanner.WaitForRequests(3, 1000ms));
    client.SetBaud(115200);
    EXPECT_EQ(client.Transact(0x9E, {0}), info);
    EXPECT_EQ(client.Transact(0x9F, {0x02, 0x02, 0, 0}), (Bytes{0x9F, 0}));
    client.Send(0x9F);
    ASSERT_TRUE(scanner.WaitForRequests(6, 1000ms));

    auto log = scanner.Log();
    EXPECT_EQ(log[0].status, -1);
    EXPECT_EQ(log[0].note, "bad check byte in request");
    EXPECT_EQ(log[2].status, -1);
    EXPECT_EQ(log[2].lineBaud, 9600u);
    EXPECT_EQ(log[2].deviceBaud, 115200u);
    EXPECT_EQ(log[2].note, "wrong speed");
    EXPECT_EQ(log[5].status, -1);
    EXPECT_EQ(log[5].note, "changing mode");
}

// An incomplete frame is dropped once no byte has come for longer than the gap.
TEST(SimFraming, CutFrameIsDroppedAfterTheGap) {
    const Bytes next = BuildFrame({0x9F});
    auto feed = [](scanner_sim::FrameParser& parser, const Bytes& bytes, double atMs) {
        std::optional<scanner_sim::Frame> frame;
        for (uint8_t b : bytes) frame = parser.Feed(b, atMs, 9600);
        return frame;
    };
    scanner_sim::FrameParser within(30), after(30);
    feed(within, {0x02, 0x05, 0x9D}, 0);
    EXPECT_FALSE(feed(within, next, 30)) << "within the gap the bytes continue the cut frame";
    feed(after, {0x02, 0x05, 0x9D}, 0);
    auto frame = feed(after, next, 31);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->payload, Bytes{0x9F});
    EXPECT_TRUE(frame->checkOk);
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
