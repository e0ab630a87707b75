#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/failure_text.h"
#include "tests/support/sim_port.h"
#include "tools/scanner-sim/frame_parser.h"

namespace {

using scanner_sim::Bytes;

// The simulated scanner, answering with what a test injects where its own answers will not do.
class Commands : public ::testing::Test {
protected:
    // Makes the next request's answer `payload`, framed.
    void Answer(const Bytes& payload) {
        sim.scanner.InjectRawAnswer(scanner_sim::BuildFrame(payload));
    }
    Bytes Params(size_t i) { return sim.scanner.Log().at(i).params; }

    SimPort sim{{}, 9600, 100};
    CDeviceProtocol& protocol = sim.protocol;
};

Bytes ReadAnswer(uint8_t count, uint8_t fill) {
    Bytes payload{CMD_READ_MEMORY, 0x00};
    payload.insert(payload.end(), count, fill);
    return payload;
}

struct Progress {
    std::vector<uint32_t> done;
    const uint8_t* buffer = nullptr;
    static void Record(const uint8_t* buffer, uint32_t done, uint32_t total, void* context) {
        auto* self = static_cast<Progress*>(context);
        self->done.push_back(done);
        self->buffer = buffer;
        EXPECT_EQ(total, 300u);
    }
};

}  // namespace

TEST_F(Commands, ReadMemoryInChunksWithProgress) {
    Answer(ReadAnswer(128, 1));
    Answer(ReadAnswer(128, 2));
    Answer(ReadAnswer(44, 3));
    uint8_t buffer[300] = {};
    Progress progress;
    ASSERT_EQ(protocol.ReadMemory(0x200, buffer, 300, Progress::Record, &progress, 128), 0);

    EXPECT_EQ(Params(0), (Bytes{0x00, 0x02, 0x00, 0x00, 128}));
    EXPECT_EQ(Params(1), (Bytes{0x80, 0x02, 0x00, 0x00, 128}));
    EXPECT_EQ(Params(2), (Bytes{0x00, 0x03, 0x00, 0x00, 44}));
    EXPECT_EQ(progress.done, (std::vector<uint32_t>{128, 256, 300}));
    EXPECT_EQ(progress.buffer, buffer);
    EXPECT_EQ(buffer[127], 1);
    EXPECT_EQ(buffer[128], 2);
    EXPECT_EQ(buffer[299], 3);
}

TEST_F(Commands, FailedChunkEndsTheTransferAndLeavesItsPartAlone) {
    Answer(ReadAnswer(128, 1));
    Answer({CMD_READ_MEMORY, 145});
    uint8_t buffer[300] = {};
    Progress progress;
    EXPECT_EQ(protocol.ReadMemory(0x200, buffer, 300, Progress::Record, &progress, 128), 145);
    EXPECT_EQ(progress.done, (std::vector<uint32_t>{128}));
    EXPECT_EQ(buffer[128], 0);
    EXPECT_EQ(sim.scanner.RequestCount(), 2u);
}

TEST_F(Commands, ThrowingCallbackEndsTheTransferBetweenChunks) {
    Answer(ReadAnswer(128, 1));
    Answer(ReadAnswer(128, 2));
    auto stop = [](const uint8_t*, uint32_t, uint32_t, void*) { throw std::runtime_error("stop"); };
    uint8_t buffer[300];
    EXPECT_THROW(protocol.ReadMemory(0, buffer, 300, stop, nullptr, 128), std::runtime_error);
    EXPECT_EQ(sim.scanner.RequestCount(), 1u);
}

TEST_F(Commands, WriteMemoryAddressAndData) {
    EXPECT_EQ(protocol.WriteMemory(0x3E8, nullptr, 0, nullptr, nullptr, 128), 0);
    EXPECT_EQ(sim.scanner.RequestCount(), 0u);

    Answer({CMD_WRITE_MEMORY, 0x00});
    const uint8_t data = 0x5A;
    EXPECT_EQ(protocol.WriteMemory(0x3E8, &data, 1, nullptr, nullptr, 128), 0);
    EXPECT_EQ(Params(0), (Bytes{0xE8, 0x03, 0x00, 0x00, 0x5A}));
}

TEST_F(Commands, ZeroChunkIsRefusedInsteadOfLoopingForever) {
    uint8_t data[4] = {};
    EXPECT_THROW(protocol.WriteMemory(0, data, 4, nullptr, nullptr, 0), test_exception);
    EXPECT_THROW(protocol.ReadMemory(0, data, 4, nullptr, nullptr, 0), test_exception);
    EXPECT_EQ(sim.scanner.RequestCount(), 0u);
}

TEST_F(Commands, TriggerFlag) {
    EXPECT_EQ(protocol.SetTrigger(true), 0);
    EXPECT_EQ(Params(0), (Bytes{1}));
    EXPECT_TRUE(IsTriggerPressed(protocol));
    ResetTrigger(protocol);
    EXPECT_EQ(Params(2), (Bytes{0}));
    EXPECT_FALSE(IsTriggerPressed(protocol));
    Answer({CMD_TRIGGER, 0x00, 0x80});
    EXPECT_TRUE(IsTriggerPressed(protocol)) << "any value but 0 is pressed";
}

TEST_F(Commands, PingAndSpeedQueryOutcomes) {
    uint8_t code = 0;
    sim.scanner.InjectWrongEcho(3);  // no usable answer
    EXPECT_FALSE(Ping(protocol, &code));
    Answer({CMD_GET_INFO, 0x00, 0, 0, 0, 0, 200});
    EXPECT_TRUE(Ping(protocol, &code));
    EXPECT_EQ(code, 200);
    Answer({CMD_GET_INFO, 115});
    EXPECT_THROW(Ping(protocol), test_exception);

    Answer({CMD_BAUD_RATE, 0x08});
    EXPECT_EQ(GetDeviceBaudIndex(protocol, SpeedCommand::Optional), 4);
    Answer({CMD_BAUD_RATE, 0x08});
    EXPECT_EQ(FailureText([&] { GetDeviceBaudIndex(protocol, SpeedCommand::Required); }),
              "(8) Команда не поддерживается");
}

TEST(WaitForTrigger, ReturnsOncePressed) {
    SimPort sim;
    ResetTrigger(sim.protocol);
    std::thread presser([&] {
        sim.scanner.WaitForRequests(4, std::chrono::seconds(5));
        sim.scanner.PressTrigger();
    });
    WaitForTrigger(sim.protocol);
    presser.join();
    EXPECT_GE(sim.Requests(CMD_TRIGGER).size(), 4u);
}
