// The simulated scanner's records of what it received stay bounded on long runs.
#include <gtest/gtest.h>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

// Writes `command` to the image area's command byte; the status answered.
uint8_t WriteCommand(SimClient& client, uint8_t command) {
    const uint32_t address = scanner_sim::kImageAreaAddress + 7;
    auto answer = client.Transact(
        0x9C, {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
               static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24), command});
    return answer && answer->size() >= 2 ? (*answer)[1] : 0xFF;
}

}  // namespace

TEST(SimHistory, KeepsTheLatestRequestsAndCommandWritesUpToItsCapacity) {
    scanner_sim::Config config;
    config.logCapacity = 2;
    scanner_sim::Scanner scanner(config);
    SimClient client(scanner.SlavePath(), 9600);
    for (uint8_t command : {0x00, 0x01, 0x00}) ASSERT_EQ(WriteCommand(client, command), 0);

    const auto writes = scanner.ImageCommandWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].command, 0x01);
    EXPECT_EQ(writes[1].command, 0x00);
    EXPECT_EQ(scanner.Log().size(), 2u);
    EXPECT_EQ(scanner.RequestCount(), 3u) << "the count goes on";
}

}  // namespace sim_test
