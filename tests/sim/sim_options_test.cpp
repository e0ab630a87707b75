// Command-line options of the simulator executable.
#include "tools/scanner-sim/sim_options.h"

#include <gtest/gtest.h>

#include <fstream>

namespace sim_test {
namespace {

using scanner_sim::ParseOptions;
using scanner_sim::SimOptions;

bool Parse(std::vector<std::string> args, SimOptions& options, std::string& error) {
    args.insert(args.begin(), "veltor-scanner-sim");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(SimOptions, FillTheConfigurationAndReadImageFiles) {
    std::string image = ::testing::TempDir() + "sim_options_image.bmp";
    std::ofstream(image, std::ios::binary) << "BMxyz";
    SimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--device-code", "200", "--speed-index", "6", "--no-speed-command",
                       "--loader", "--image", image, "--image", image, "--interface-version", "1",
                       "--pacing", "--link", "/tmp/x", "--no-stdin", "--mode-speed-index", "4"},
                      options, error))
        << error;
    const auto& c = options.config;
    EXPECT_EQ(c.deviceCode, 200);
    EXPECT_EQ(c.baudIndex, 6);
    EXPECT_FALSE(c.hasBaudCommand);
    EXPECT_EQ(c.initialState[0], 0x02);
    ASSERT_EQ(c.images.size(), 2u);
    EXPECT_EQ(c.images[1], (std::vector<uint8_t>{'B', 'M', 'x', 'y', 'z'}));
    EXPECT_EQ(c.imageInterfaceVersion, '1');
    EXPECT_TRUE(c.pacing);
    EXPECT_EQ(c.modeChangeBaudIndex, 4);
    EXPECT_EQ(options.linkPath, "/tmp/x");
    EXPECT_FALSE(options.readStdin);
}

TEST(SimOptions, RejectBadValuesMissingFilesAndUnknownOptions) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--speed-index", "7"},
                                          {"--device-code", "2x"},
                                          {"--device-code"},
                                          {"--image", "/nonexistent/file.bmp"},
                                          {"--interface-version", "22"},
                                          {"--frobnicate"}}) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace sim_test
