// The largest memory read one answer frame can carry, against the simulated scanner.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_commands.h"
#include "device/image_area.h"
#include "tests/support/sim_port.h"

TEST(ReadLimit, ReadsThatNoAnswerFrameCanCarryAreRefusedWithoutSending) {
    SimPort sim;
    uint8_t buffer[600];
    std::fill(std::begin(buffer), std::end(buffer), 0xA5);
    EXPECT_EQ(sim.protocol.ReadMemory(kImageAreaBase, buffer, 255, nullptr, nullptr, 255),
              STATUS_BAD_PARAMETERS);
    EXPECT_EQ(sim.protocol.ReadMemory(kImageAreaBase, buffer, 600, nullptr, nullptr, 1000),
              STATUS_BAD_PARAMETERS);
    EXPECT_EQ(sim.protocol.Transact(CMD_GET_INFO, buffer, 255, buffer, 1), STATUS_BAD_PARAMETERS);
    EXPECT_EQ(sim.scanner.RequestCount(), 0u);
    EXPECT_TRUE(
        std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == 0xA5; }));
}

TEST(ReadLimit, TwoHundredFiftyFourBytesComeInOneRequest) {
    SimPort sim;
    RequestImage(sim.protocol, ImageParameters{0, 64, 48, 1, 90});
    const ImageLocation where = LocateImage(sim.protocol);
    ASSERT_GE(where.size, 254u);
    sim.scanner.ClearLog();
    uint8_t buffer[254];
    ASSERT_EQ(sim.protocol.ReadMemory(where.address, buffer, 254, nullptr, nullptr, 1000),
              RESULT_OK);
    ASSERT_EQ(sim.scanner.RequestCount(), 1u);
    EXPECT_EQ(sim.scanner.Log()[0].params.back(), 254);
    EXPECT_EQ(buffer[0], 'B') << "the served image is a BMP";
}
