// Fault injection of the simulated scanner.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/sim/sim_client.h"
#include "tools/scanner-sim/scanner.h"

namespace sim_test {
namespace {

using scanner_sim::Scanner;

const Bytes kStateAnswer{0x9F, 0x00, 0, 0, 0, 0};

TEST(SimFaults, AnswerFaultsApplyToTheNextRequestsInOrder) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    scanner.InjectBusy(1);
    scanner.InjectBadCheck(1);
    scanner.InjectWrongEcho(1);
    scanner.InjectEchoOnly(1);
    scanner.InjectExtraAnswerByte(1);
    EXPECT_EQ(client.Transact(0x9F), (Bytes{0x9F, 2}));
    client.Send(0x9F);
    auto bad = client.ReadFrame();
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->checkOk);
    EXPECT_EQ(bad->payload, kStateAnswer);
    EXPECT_EQ(client.Transact(0x9F), (Bytes{0x9E, 0x00, 0, 0, 0, 0}));
    EXPECT_EQ(client.Transact(0x9F), (Bytes{0x9F}));
    EXPECT_EQ(client.Transact(0x9F), (Bytes{0x9F, 0x00, 0, 0, 0, 0, 0x5A}));
    EXPECT_EQ(client.Transact(0x9F), kStateAnswer);
    auto log = scanner.Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].note, "busy");
    EXPECT_EQ(log[0].status, 2);
    EXPECT_EQ(log[3].note, "echo only");
    EXPECT_EQ(log[5].note, "");
}

TEST(SimFaults, BusyRefusesTheCommandButBadAnswersCarryItOut) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    scanner.InjectBusy(1);
    client.Transact(0x9B, {1});
    EXPECT_FALSE(scanner.TriggerPressed());
    scanner.InjectBadCheck(1);
    client.Transact(0x9B, {1});
    EXPECT_TRUE(scanner.TriggerPressed());
}

TEST(SimFaults, InjectedStatusSkipsThenCountsForItsCommandOnly) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    scanner.InjectStatus(0x9D, 145, 1, 1);
    Bytes read{0x00, 0x00, 0xFD, 0x00, 8};
    EXPECT_EQ(client.Transact(0x9E, {0})->at(1), 0);
    EXPECT_EQ(client.Transact(0x9D, read)->at(1), 145);  // its own refusal: Blackfin selected
    scanner.SetState({0x20, 0, 0, 0});
    EXPECT_EQ(client.Transact(0x9D, read), (Bytes{0x9D, 145}));  // injected
    EXPECT_EQ(client.Transact(0x9D, read)->size(), 10u);
    scanner.InjectStatus(0x9E, 8, -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client.Transact(0x9E, {0}), (Bytes{0x9E, 8}));
}

TEST(SimFaults, RawAnswerAndStaleBytesReachTheLineAsGiven) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    scanner.InjectRawAnswer({0x03, 0x05, 0x9F});
    client.Send(0x9F);
    EXPECT_EQ(client.ReadBytes(3, 1000ms), (Bytes{0x03, 0x05, 0x9F}));
    scanner.InjectStaleBytes({0xAA, 0xBB});  // nothing of the raw answer may come before them
    EXPECT_EQ(client.ReadBytes(2, 1000ms), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(client.Transact(0x9F), kStateAnswer);
}

// A silent request is logged as such; the answer to the next one shows nothing came for it.
TEST(SimFaults, SilenceAfterACountAndOnDemand) {
    Scanner scanner;
    SimClient client(scanner.SlavePath(), 9600);
    scanner.GoSilentAfter(2);
    EXPECT_TRUE(client.Transact(0x9F));
    EXPECT_TRUE(client.Transact(0x9F));
    client.Send(0x9F);
    ASSERT_TRUE(scanner.WaitForRequests(3, 1000ms));
    scanner.GoSilent(false);
    EXPECT_EQ(client.Transact(0x9B), (Bytes{0x9B, 0, 0}));
    scanner.GoSilent(true);
    client.Send(0x9F);
    ASSERT_TRUE(scanner.WaitForRequests(5, 1000ms));
    auto log = scanner.Log();
    EXPECT_EQ(log[2].note, "silent");
    EXPECT_EQ(log[4].note, "silent");
}

TEST(SimFaults, VanishRemovesPortAndLinkUnderAnOpenClient) {
    std::string link = ::testing::TempDir() + "sim_vanish_link";
    Scanner scanner;
    ASSERT_TRUE(scanner.LinkTo(link));
    SimClient client(link, 9600);
    ASSERT_TRUE(client.Transact(0x9F));
    scanner.Vanish();
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
    EXPECT_NE(::stat(scanner.SlavePath().c_str(), &st), 0);
    EXPECT_FALSE(client.Transact(0x9F, {}, 100ms));
    EXPECT_FALSE(SimClient(scanner.SlavePath(), 9600).IsOpen());
}

}  // namespace
}  // namespace sim_test
