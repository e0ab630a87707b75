#include "device/image_area.h"

#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "tests/support/failure_text.h"
#include "tests/support/sim_port.h"
#include "tools/scanner-sim/frame_parser.h"

namespace {

using Bytes = std::vector<uint8_t>;

scanner_sim::Config Interface(char version, std::array<uint8_t, 3> tag = {0x47, 0x4D, 0x49}) {
    scanner_sim::Config config;
    config.imageInterfaceVersion = version;
    config.signatureTag = tag;
    return config;
}

// The writes that reached the image area, as (address, data) pairs from the wire log.
std::vector<std::pair<uint32_t, Bytes>> AreaWrites(const SimPort& sim) {
    std::vector<std::pair<uint32_t, Bytes>> writes;
    for (const auto& request : sim.Requests(CMD_WRITE_MEMORY)) {
        const Bytes& p = request.params;
        uint32_t address = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        writes.emplace_back(address, Bytes(p.begin() + 4, p.end()));
    }
    return writes;
}

}  // namespace

TEST(ImageSupport, VersionTwoSelectsTheImageProcessorInWorkingMode) {
    scanner_sim::Config config = Interface('2');
    config.initialState = {0x32, 0x02, 0x00, 0x80};  // loader mode, ATmega selected, bit 4 set
    SimPort sim(config);
    CheckImageSupport(sim.protocol);
    EXPECT_EQ(sim.scanner.Mode(), 0);
    EXPECT_EQ(sim.scanner.State()[0] & 0x30, 0);
}

TEST(ImageSupport, OtherInterfacesAreRefusedWithoutWritingTheArea) {
    const std::pair<scanner_sim::Config, const char*> cases[] = {
        {Interface('1'), "Для получения изображения требуется обновить прошивку"},
        {Interface('0'), "Для получения изображения требуется обновить прошивку"},
        {Interface('5'), "Для получения изображения требуется обновить программу"},
        {Interface('2', {0x47, 0x4D, 0x48}), "Прошивка не поддерживает получение изображений"},
        {Interface('x'), "Прошивка не поддерживает получение изображений"},
    };
    for (const auto& [config, text] : cases) {
        SimPort sim(config);
        EXPECT_EQ(FailureText([&] { CheckImageSupport(sim.protocol); }), text);
        EXPECT_TRUE(AreaWrites(sim).empty());
    }
}

TEST(ImageRequest, FullHeaderGetsAllParametersInOneWrite) {
    SimPort sim;
    RequestImage(sim.protocol, ImageParameters{1, -1, 480, 2, 80});
    const auto writes = AreaWrites(sim);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].first, kImageAreaBase + 7);
    EXPECT_EQ(writes[0].second,
              (Bytes{0x01, 0x1F, 0, 0, 0, 0x01, 0x00, 0xFF, 0xFF, 0xE0, 0x01, 2, 80}));
    EXPECT_EQ(sim.scanner.ImagesServed(), 1);
}

TEST(ImageRequest, ShortHeaderCutsTheTrailingFields) {
    scanner_sim::Config config;
    config.headerLength = 16;
    SimPort sim(config);
    RequestImage(sim.protocol, ImageParameters{0, 320, 240, 4, 50});
    const auto writes = AreaWrites(sim);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].second, (Bytes{0x01, 0x1F, 0, 0, 0, 0x00, 0x00, 0x40, 0x01}));
}

TEST(ImageRequest, HeaderTooShortForTheCommandIsRefusedBeforeWriting) {
    scanner_sim::Config config;
    config.headerLength = 7;
    SimPort sim(config);
    EXPECT_NE(FailureText([&] { RequestImage(sim.protocol, kDefaultSnapshotParameters); }),
              "no exception");
    EXPECT_TRUE(AreaWrites(sim).empty());
    EXPECT_NE(FailureText([&] { LocateImage(sim.protocol); }), "no exception");
}

TEST(ImageRequest, LocateFindsSizeAfterTheHeader) {
    SimPort sim;
    RequestImage(sim.protocol, kDefaultSnapshotParameters);
    sim.scanner.ClearLog();
    const ImageLocation where = LocateImage(sim.protocol);
    EXPECT_EQ(where.address, kImageAreaBase + 24);
    EXPECT_GT(where.size, 54u);  // at least a BMP header
    const auto reads = sim.Requests(CMD_READ_MEMORY);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1].params, (Bytes{20, 0, 0, 1, 4}));
}

TEST(ImageRequest, LeaveWaitsForTheAcknowledgement) {
    scanner_sim::Config config;
    config.commandAckDelayMs = 60;
    SimPort sim(config);
    RequestImage(sim.protocol, kDefaultVideoParameters);
    sim.scanner.ClearLog();
    LeaveImageLoad(sim.protocol);
    const auto writes = AreaWrites(sim);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].second, (Bytes{0x00}));
    // The last read comes after the device acknowledged, however slowly the reads went.
    const auto log = sim.scanner.Log();
    EXPECT_GE(log.back().timeMs - log.front().timeMs, 60);
    const auto commands = sim.scanner.ImageCommandWrites();
    EXPECT_EQ(commands.back().command, 0x00);
}

TEST(ImageRequest, AbsurdImageSizeIsRefused) {
    SimPort sim;
    sim.scanner.InjectRawAnswer(scanner_sim::BuildFrame({CMD_READ_MEMORY, 0x00, 20, 0}));
    sim.scanner.InjectRawAnswer(
        scanner_sim::BuildFrame({CMD_READ_MEMORY, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_NE(FailureText([&] { LocateImage(sim.protocol); }).find("2147483647"),
              std::string::npos);
}
