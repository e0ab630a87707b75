// The image area of the simulated scanner: signature, request handshake, image data.
#include <gtest/gtest.h>

#include <thread>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

using scanner_sim::Config;
using scanner_sim::Scanner;

Bytes Address(uint32_t offset) {
    uint32_t a = scanner_sim::kImageAreaAddress + offset;
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a >> 16),
            static_cast<uint8_t>(a >> 24)};
}

// Reads `count` bytes of the area; empty when the device refused.
Bytes ReadArea(SimClient& client, uint32_t offset, std::size_t count) {
    Bytes out;
    while (out.size() < count) {
        auto k = static_cast<uint8_t>(std::min<std::size_t>(count - out.size(), 128));
        Bytes params = Address(offset + static_cast<uint32_t>(out.size()));
        params.push_back(k);
        auto answer = client.Transact(0x9D, params);
        if (!answer || answer->size() != k + 2u || (*answer)[1] != 0) return {};
        out.insert(out.end(), answer->begin() + 2, answer->end());
    }
    return out;
}

uint8_t WriteArea(SimClient& client, uint32_t offset, const Bytes& data) {
    Bytes params = Address(offset);
    params.reserve(params.size() + data.size());
    for (uint8_t byte : data) params.push_back(byte);
    auto answer = client.Transact(0x9C, params);
    return answer && answer->size() >= 2 ? (*answer)[1] : 0xFF;
}

const Bytes kRequest{0x01, 0x1F, 0, 0, 0, 0x00, 0x00, 0x20, 0x00, 0x10, 0x00, 2, 80};

TEST(SimImageArea, HeaderAndRequestHandshakeServeGeneratedBitmap) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(ReadArea(client, 0, 8), (Bytes{'2', 0x47, 0x4D, 0x49, 20, 0, 0, 0}));
    // A request for 32 x 16 pixels.
    EXPECT_EQ(WriteArea(client, 7, kRequest), 0);
    EXPECT_EQ(ReadArea(client, 6, 2), (Bytes{1, 0x80}));
    Bytes size = ReadArea(client, 20, 4);
    ASSERT_EQ(size.size(), 4u);
    uint32_t n = size[0] | size[1] << 8 | size[2] << 16 | size[3] << 24;
    EXPECT_EQ(n, 54u + 32 * 3 * 16);
    Bytes image = ReadArea(client, 24, n);
    ASSERT_EQ(image.size(), n);
    EXPECT_EQ(image[0], 'B');
    EXPECT_EQ(image[18], 32);
    EXPECT_EQ(image[22], 16);
    Bytes longest = Address(24);
    longest.push_back(254);
    auto full = client.Transact(0x9D, longest);  // a 256-byte payload: length byte 0
    ASSERT_TRUE(full);
    EXPECT_EQ(Bytes(full->begin() + 2, full->end()), Bytes(image.begin(), image.begin() + 254));
    Bytes past = Address(24 + n - 1);
    past.push_back(2);
    EXPECT_EQ(client.Transact(0x9D, past), (Bytes{0x9D, 145}));

    auto writes = scanner.ImageCommandWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].bytes, kRequest);
    // Leaving the image-load state.
    EXPECT_EQ(WriteArea(client, 7, {0x00}), 0);
    EXPECT_EQ(ReadArea(client, 6, 2), (Bytes{0, 0x80}));
}

TEST(SimImageArea, ServesGivenImagesInTurnAfterDelays) {
    Config config;
    config.images = {{1, 2, 3}, {4, 5}};
    config.commandAckDelayMs = 150;
    config.imageReadyDelayMs = 300;
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    for (const Bytes& expected : {Bytes{1, 2, 3}, Bytes{4, 5}, Bytes{1, 2, 3}}) {
        ASSERT_EQ(WriteArea(client, 7, kRequest), 0);
        EXPECT_EQ(ReadArea(client, 6, 2), (Bytes{0, 1}));  // not yet acknowledged, not ready
        Bytes state;
        for (int i = 0; i < 300 && state != Bytes{1, 0x80}; ++i) {
            std::this_thread::sleep_for(10ms);  // polled like the program does
            state = ReadArea(client, 6, 2);
        }
        ASSERT_EQ(state, (Bytes{1, 0x80}));
        EXPECT_EQ(ReadArea(client, 20, 4 + expected.size()).size(), 4 + expected.size());
        EXPECT_EQ(ReadArea(client, 24, expected.size()), expected);
    }
    EXPECT_EQ(scanner.ImagesServed(), 3);
}

TEST(SimImageArea, RefusedOutsideWorkingModeWithBlackfinAndOnReadOnlyBytes) {
    Config config;
    config.headerLength = 16;
    config.signatureTag = {0x47, 0x4D, 0x00};
    config.imageInterfaceVersion = '1';
    Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    EXPECT_EQ(ReadArea(client, 0, 6), (Bytes{'1', 0x47, 0x4D, 0x00, 16, 0}));
    EXPECT_EQ(WriteArea(client, 0, {'2'}), 145);
    EXPECT_EQ(WriteArea(client, 7, kRequest), 145);  // runs past the 16-byte header
    EXPECT_EQ(WriteArea(client, 7, Bytes(kRequest.begin(), kRequest.begin() + 9)), 0);
    ASSERT_EQ(scanner.ImageCommandWrites().size(), 1u);
    EXPECT_EQ(scanner.ImageCommandWrites()[0].bytes.size(), 9u);
    // 32 pixels wide as asked; the height was never written, so the default 48.
    EXPECT_EQ(ReadArea(client, 16, 4), (Bytes{0x36, 0x12, 0, 0}));  // 54 + 96 * 48
    EXPECT_EQ(client.Transact(0x9F, {0x20, 0, 0, 0}), (Bytes{0x9F, 0}));
    EXPECT_EQ(client.Transact(0x9D, {0, 0, 0, 1, 4}), (Bytes{0x9D, 145}));
}

}  // namespace
}  // namespace sim_test
