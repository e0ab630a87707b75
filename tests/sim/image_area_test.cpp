// The image area of the simulated scanner: signature, request handshake, image data. Driven
// through the device model's memory commands with the time given by the test.
#include <gtest/gtest.h>

#include "tools/scanner-sim/device_model.h"

namespace sim_test {
namespace {

using scanner_sim::Bytes;
using scanner_sim::Config;
using scanner_sim::DeviceModel;

Bytes Address(uint32_t offset) {
    uint32_t a = scanner_sim::kImageAreaAddress + offset;
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a >> 16),
            static_cast<uint8_t>(a >> 24)};
}

// Reads `count` bytes of the area in reads of up to 254; empty when the device refused.
Bytes ReadArea(DeviceModel& device, uint32_t offset, std::size_t count, double atMs = 0) {
    Bytes out;
    while (out.size() < count) {
        Bytes params = Address(offset + static_cast<uint32_t>(out.size()));
        params.push_back(static_cast<uint8_t>(std::min<std::size_t>(count - out.size(), 254)));
        scanner_sim::Answer answer = device.Execute(0x9D, params, atMs);
        if (answer.status != 0 || answer.data.size() != params[4]) return {};
        out.insert(out.end(), answer.data.begin(), answer.data.end());
    }
    return out;
}

uint8_t WriteArea(DeviceModel& device, uint32_t offset, const Bytes& data, double atMs = 0) {
    Bytes params = Address(offset);
    for (uint8_t byte : data) params.push_back(byte);
    return device.Execute(0x9C, params, atMs).status;
}

const Bytes kRequest{0x01, 0x1F, 0, 0, 0, 0x00, 0x00, 0x20, 0x00, 0x10, 0x00, 2, 80};

TEST(SimImageArea, HeaderAndRequestHandshakeServeGeneratedBitmap) {
    DeviceModel device(Config{});
    EXPECT_EQ(ReadArea(device, 0, 8), (Bytes{'2', 0x47, 0x4D, 0x49, 20, 0, 0, 0}));
    // A request for 32 x 16 pixels.
    EXPECT_EQ(WriteArea(device, 7, kRequest), 0);
    EXPECT_EQ(ReadArea(device, 6, 2), (Bytes{1, 0x80}));
    Bytes size = ReadArea(device, 20, 4);
    ASSERT_EQ(size.size(), 4u);
    uint32_t n = size[0] | size[1] << 8 | size[2] << 16 | size[3] << 24;
    EXPECT_EQ(n, 54u + 32 * 3 * 16);
    Bytes image = ReadArea(device, 24, n);
    ASSERT_EQ(image.size(), n);
    EXPECT_EQ(image[0], 'B');
    EXPECT_EQ(image[18], 32);
    EXPECT_EQ(image[22], 16);
    Bytes past = Address(24 + n - 1);
    past.push_back(2);
    EXPECT_EQ(device.Execute(0x9D, past, 0).status, 145);

    const auto& writes = device.Images().CommandWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].bytes, kRequest);
    // Leaving the image-load state.
    EXPECT_EQ(WriteArea(device, 7, {0x00}), 0);
    EXPECT_EQ(ReadArea(device, 6, 2), (Bytes{0, 0x80}));
}

TEST(SimImageArea, ServesGivenImagesInTurnAfterDelays) {
    Config config;
    config.images = {{1, 2, 3}, {4, 5}};
    config.commandAckDelayMs = 150;
    config.imageReadyDelayMs = 300;
    DeviceModel device(config);
    double t = 0;
    for (const Bytes& expected : {Bytes{1, 2, 3}, Bytes{4, 5}, Bytes{1, 2, 3}}) {
        ASSERT_EQ(WriteArea(device, 7, kRequest, t), 0);
        EXPECT_EQ(ReadArea(device, 6, 2, t + 149),
                  (Bytes{0, 1}));  // neither acknowledged nor ready
        EXPECT_EQ(ReadArea(device, 6, 2, t + 150), (Bytes{0, 0x80}));
        EXPECT_EQ(ReadArea(device, 6, 2, t + 299), (Bytes{0, 0x80}));
        EXPECT_EQ(ReadArea(device, 6, 2, t + 300), (Bytes{1, 0x80}));
        EXPECT_EQ(ReadArea(device, 24, expected.size(), t + 300), expected);
        EXPECT_TRUE(ReadArea(device, 24, expected.size() + 1, t + 300).empty());
        t += 1000;
    }
    EXPECT_EQ(device.Images().ImagesServed(), 3);
}

TEST(SimImageArea, RefusedOutsideWorkingModeWithBlackfinAndOnReadOnlyBytes) {
    Config config;
    config.headerLength = 16;
    config.signatureTag = {0x47, 0x4D, 0x00};
    config.imageInterfaceVersion = '1';
    DeviceModel device(config);
    EXPECT_EQ(ReadArea(device, 0, 6), (Bytes{'1', 0x47, 0x4D, 0x00, 16, 0}));
    EXPECT_EQ(WriteArea(device, 0, {'2'}), 145);
    EXPECT_EQ(WriteArea(device, 7, kRequest), 145);  // runs past the 16-byte header
    EXPECT_EQ(WriteArea(device, 7, Bytes(kRequest.begin(), kRequest.begin() + 9)), 0);
    ASSERT_EQ(device.Images().CommandWrites().size(), 1u);
    EXPECT_EQ(device.Images().CommandWrites()[0].bytes.size(), 9u);
    // 32 pixels wide as asked; the height was never written, so the default 48.
    EXPECT_EQ(ReadArea(device, 16, 4), (Bytes{0x36, 0x12, 0, 0}));  // 54 + 96 * 48
    EXPECT_EQ(device.Execute(0x9F, {0x20, 0, 0, 0}, 0).status, 0);  // ATmega selected
    EXPECT_TRUE(ReadArea(device, 0, 4).empty());
    EXPECT_EQ(WriteArea(device, 7, {0x00}), 145);
    EXPECT_EQ(device.Execute(0x9F, {0x02, 0x02, 0, 0}, 0).status, 0);  // loader mode
    EXPECT_TRUE(ReadArea(device, 0, 4, 1).empty());
}

}  // namespace
}  // namespace sim_test
