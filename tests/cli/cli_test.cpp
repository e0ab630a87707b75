// veltor-cli run as a shell runs it, against the simulated scanner on pseudo-terminals.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "device/packet_protocol.h"
#include "tests/cli/cli_process.h"
#include "tests/support/pty_pair.h"
#include "tools/scanner-sim/scanner.h"
#include "tools/scanner-sim/test_bitmap.h"

namespace {

using scanner_sim::Bytes;
using Clock = std::chrono::steady_clock;

Bytes Sample(const char* name) {
    std::ifstream in(std::string(VELTOR_SAMPLES_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

const char* const kSamples[] = {"testcard-640x480.jpg", "discs-256x192-24bit.bmp",
                                "testcard-320x240.jpg", "testcard-320x240-8bit.bmp",
                                "discs-640x480.jpg"};

class Cli : public ::testing::Test {
protected:
    void StartSim(scanner_sim::Config config = {}) {
        sim = std::make_unique<scanner_sim::Scanner>(std::move(config));
    }
    // The connection options for the simulator at its starting speed.
    std::vector<std::string> Args(std::vector<std::string> rest) const {
        std::vector<std::string> args{"--port", sim->SlavePath(), "--speed",
                                      "2",      "--timeout",      "1000"};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
    // Waits until the simulator has seen `count` requests that `match`.
    bool WaitFor(const std::function<bool(const scanner_sim::Request&)>& match, size_t count = 1) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            size_t seen = 0;
            for (const auto& r : sim->Log()) seen += match(r) ? 1 : 0;
            if (seen >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // The device was taken out of its image-load state and got its speed back, in that order.
    void ExpectLeftAndRestored() {
        const auto writes = sim->ImageCommandWrites();
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().command, 0x00) << "the last image command is the leave";
        const auto log = sim->Log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().command, CMD_BAUD_RATE);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the switch lands late
        EXPECT_EQ(sim->BaudIndex(), 2) << "the device's speed is put back";
    }
    std::vector<Bytes> Requests() const {
        std::vector<Bytes> requests;
        for (const auto& write : sim->ImageCommandWrites())
            if (write.command == 1) requests.push_back(write.bytes);
        return requests;
    }

    QTemporaryDir dir;
    std::unique_ptr<scanner_sim::Scanner> sim;
};

// BMP and JPEG alike, to a file and to standard output: the bytes as served, nothing else.
TEST_F(Cli, SnapshotWritesTheImageExactlyAsServed) {
    for (const char* sample : {"discs-256x192-24bit.bmp", "testcard-640x480.jpg"}) {
        for (const bool toStdout : {false, true}) {
            SCOPED_TRACE(std::string(sample) + (toStdout ? " to stdout" : " to a file"));
            scanner_sim::Config config;
            config.images = {Sample(sample)};
            StartSim(config);
            const std::string out = Path("snap");
            CliRun run(Args({"snapshot", "-o", toStdout ? "-" : out}));
            EXPECT_EQ(run.status, 0) << run.process.Err();
            const Bytes got = toStdout ? Bytes(run.process.Out().begin(), run.process.Out().end())
                                       : FileBytes(QString::fromStdString(out));
            EXPECT_TRUE(got == config.images[0]) << got.size() << " bytes";
            EXPECT_TRUE(run.process.Err().empty()) << "no bar on a pipe: " << run.process.Err();
            ExpectLeftAndRestored();
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), toStdout ? 0 : 1)
                << "no temporary file stays behind";
            QFile::remove(QString::fromStdString(out));
        }
    }
}

// Connection and image parameters come from the window's keys; options override them.
TEST_F(Cli, SettingsFileFillsWhatTheOptionsLeaveOut) {
    StartSim();
    const QString ini = dir.filePath("veltor.ini");
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[Connect]\nPortName=" + sim->SlavePath() +
                "\nBaudRate=2\nTimeout=1000\n[ImageAcquisition\\Snapshot]\nImageFormat=0\n"
                "ViewWidth=40\nViewHeight=30\nSubsamplingCoeff=3\nJpegQuality=55\n")
                   .c_str());
    file.close();
    CliRun run({"--settings", ini.toStdString(), "snapshot", "-o", Path("a.bmp"), "--height", "20",
                "--quality", "70"});
    EXPECT_EQ(run.status, 0) << run.process.Err();
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    // Format 0, width 40 from the file; height 20 and quality 70 given; subsampling 3 stored.
    EXPECT_EQ(Bytes(requests[0].begin() + 5, requests[0].begin() + 13),
              (Bytes{0, 0, 40, 0, 20, 0, 3, 70}));
}

TEST_F(Cli, VideoWritesFramesInOrderAndNamesThem) {
    scanner_sim::Config config;
    for (const char* sample : kSamples) config.images.push_back(Sample(sample));
    StartSim(config);
    const QString frames = dir.filePath("frames");
    CliRun run(Args({"video", "-n", "5", "--dir", frames.toStdString()}));
    ASSERT_EQ(run.status, 0) << run.process.Err();
    std::string expected;
    for (int i = 0; i < 5; ++i) {
        const std::string name = "frame-00000" + std::to_string(i + 1) +
                                 (std::string(kSamples[i]).ends_with(".bmp") ? ".bmp" : ".jpg");
        expected += name + "\n";
        EXPECT_TRUE(FileBytes(frames + "/" + QString::fromStdString(name)) == config.images[i])
            << name;
    }
    EXPECT_EQ(run.process.Out(), expected);
    EXPECT_EQ(QDir(frames).entryList(QDir::Files).size(), 5);
    ExpectLeftAndRestored();
}

TEST_F(Cli, InfoAsJsonCarriesTheSameFieldsAsTheText) {
    StartSim();
    CliRun text(Args({"info"}));
    CliRun json(Args({"info", "--json"}));
    ASSERT_EQ(text.status, 0) << text.process.Err();
    ASSERT_EQ(json.status, 0) << json.process.Err();
    const QStringList lines =
        QString::fromStdString(text.process.Out()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13);
    auto value = [&](int line) { return lines[line].section(QStringLiteral(": "), 1); };
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.process.Out())).object();
    EXPECT_EQ(o["deviceType"].toString(), value(0));
    EXPECT_EQ(o["deviceCode"].toInt(), 151);
    ASSERT_TRUE(o["serialNumber"].isDouble()) << "a number, not a string";
    EXPECT_EQ(QString::number(o["serialNumber"].toInteger()), value(1));
    const QStringList date = value(2).split('.');  // dd.mm.yyyy
    EXPECT_EQ(o["productionDate"].toString(), date[2] + "-" + date[1] + "-" + date[0]);
    const std::pair<const char*, std::vector<std::pair<const char*, int>>> groups[] = {
        {"hardwareVersions", {{"atmega", 4}, {"blackfin", 5}}},
        {"loaderVersions", {{"atmega", 7}, {"blackfin", 8}}},
        {"firmwareVersions", {{"atmega", 10}, {"blackfin", 11}, {"blackfinExtended", 12}}}};
    for (const auto& [group, fields] : groups)
        for (const auto& [field, line] : fields)
            EXPECT_EQ(o[group].toObject()[field].toString(), value(line)) << group << "." << field;

    // An erased identity block: no serial number, no date; null, not "-".
    scanner_sim::Config erased;
    erased.identityBlock.fill(0xFF);
    StartSim(erased);
    CliRun blank(Args({"info", "--json"}));
    ASSERT_EQ(blank.status, 0) << blank.process.Err();
    const QJsonObject b =
        QJsonDocument::fromJson(QByteArray::fromStdString(blank.process.Out())).object();
    EXPECT_TRUE(b["serialNumber"].isNull());
    EXPECT_TRUE(b["productionDate"].isNull());
    EXPECT_FALSE(b["firmwareVersions"].toObject()["blackfin"].isNull());
}

// One device at 115200, one silent port, one held by another program: side by side, so the
// whole search takes about as long as the silent port alone.
TEST_F(Cli, SearchProbesPortsSideBySide) {
    scanner_sim::Config config;
    config.baudIndex = 6;
    StartSim(config);
    PtyPair silent;
    PtyPair held;
    // A lock file of a running process (this one) marks the port as another program's.
    const QString locks = dir.filePath("locks");
    QDir().mkpath(locks);
    std::string lockName = held.SlavePath().substr(5);  // pts/N
    std::replace(lockName.begin(), lockName.end(), '/', '_');
    QFile lock(locks + "/LCK.." + QString::fromStdString(lockName));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(::getpid()).rightJustified(10) + "\n");
    lock.close();
    const std::vector<std::string> env{"VELTOR_LOCK_DIR=" + locks.toStdString()};

    const auto start = Clock::now();
    CliRun one({"search", "--port", silent.SlavePath()}, false, env);
    const auto onePort = Clock::now() - start;
    EXPECT_EQ(one.status, 3) << "nothing found";
    EXPECT_EQ(one.process.Out(), silent.SlavePath() + "\t-\n");

    const auto start3 = Clock::now();
    CliRun three({"search", "--port", sim->SlavePath(), "--port", silent.SlavePath(), "--port",
                  held.SlavePath()},
                 false, env);
    const auto threePorts = Clock::now() - start3;
    EXPECT_EQ(three.status, 0) << three.process.Err();
    EXPECT_EQ(three.process.Out(), sim->SlavePath() + "\t115200\n" + silent.SlavePath() + "\t-\n" +
                                       held.SlavePath() + "\tbusy\n");
    EXPECT_LT(threePorts, onePort * 3 / 2) << "three ports take about as long as one";

    CliRun json({"search", "--json", "--port", sim->SlavePath(), "--port", held.SlavePath()}, false,
                env);
    const QJsonArray array =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.process.Out())).array();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["baud"].toInt(), 115200);
    EXPECT_EQ(array[0].toObject()["state"].toString(), "found");
    EXPECT_EQ(array[1].toObject()["state"].toString(), "busy");
    EXPECT_TRUE(array[1].toObject()["baud"].isNull());
}

// A stop during the transfer and during the trigger wait ends like the window's Stop.
TEST_F(Cli, SignalStopsLeaveTheDeviceAsFound) {
    struct Case {
        const char* name;
        int signal;
        std::vector<std::string> command;
        std::function<bool(const scanner_sim::Request&)> moment;
        size_t count;
    };
    auto imageBlock = [](const scanner_sim::Request& r) {
        return r.command == CMD_READ_MEMORY && r.params.size() == 5 && r.params[4] == 128;
    };
    auto triggerPoll = [](const scanner_sim::Request& r) {
        return r.command == CMD_TRIGGER && r.params.empty();
    };
    const Case cases[] = {
        {"Ctrl-C in the transfer", SIGINT, {"snapshot", "-o", "x.bmp"}, imageBlock, 20},
        {"SIGTERM in the trigger wait",
         SIGTERM,
         {"snapshot", "--on-trigger", "-o", "x.bmp"},
         triggerPoll,
         3},
        {"Ctrl-C in endless video",
         SIGINT,
         {"video", "-n", "0", "--dir", "frames"},
         imageBlock,
         20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scanner_sim::Config config;
        config.images = {scanner_sim::MakeTestBitmap(320, 240, 0)};
        StartSim(config);
        std::vector<std::string> command = c.command;
        for (auto& arg : command)
            if (arg == "x.bmp" || arg == "frames") arg = Path(arg.c_str());
        CliProcess cli(Args(command));
        ASSERT_TRUE(WaitFor(c.moment, c.count));
        cli.Signal(c.signal);
        EXPECT_EQ(cli.Wait(), 130) << cli.Err();
        ExpectLeftAndRestored();
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << "no file left behind";
        QDir(dir.filePath("frames")).removeRecursively();
    }
}

// The leave waits on the device; a second Ctrl-C gives it up at once, the speed still goes back.
TEST_F(Cli, SecondCtrlCGivesUpTheLeave) {
    scanner_sim::Config config;
    config.commandAckDelayMs = 1500;
    StartSim(config);
    CliProcess cli(Args({"snapshot", "-o", Path("x.bmp")}));
    auto commandWrites = [&](size_t n) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (sim->ImageCommandWrites().size() < n && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return sim->ImageCommandWrites().size() >= n;
    };
    ASSERT_TRUE(commandWrites(2));  // the leave before the run, then the request
    cli.Signal(SIGINT);
    ASSERT_TRUE(commandWrites(3));  // the final leave has begun
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto second = Clock::now();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 130) << cli.Err();
    EXPECT_LT(Clock::now() - second, std::chrono::milliseconds(1000)) << "no wait for the ack";
    ExpectLeftAndRestored();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("x.bmp"))));
}

TEST_F(Cli, VanishedDeviceFailsWithTheWindowsText) {
    scanner_sim::Config config;
    config.images = {scanner_sim::MakeTestBitmap(320, 240, 0)};
    StartSim(config);
    CliProcess cli(Args({"snapshot", "-o", Path("x.bmp")}));
    ASSERT_TRUE(WaitFor(
        [](const auto& r) { return r.command == CMD_READ_MEMORY && r.params[4] == 128; }, 10));
    sim->Vanish();
    EXPECT_EQ(cli.Wait(), 1);
    EXPECT_EQ(cli.Err(), "veltor-cli: (-1) Нет связи\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("x.bmp"))));
}

// The bar is drawn on a terminal only, and never with --quiet.
TEST_F(Cli, TransferBarOnlyOnATerminal) {
    for (const bool quiet : {false, true}) {
        scanner_sim::Config config;
        config.images = {scanner_sim::MakeTestBitmap(320, 240, 0)};
        StartSim(config);
        std::vector<std::string> args = Args({"snapshot", "-o", Path("x.bmp")});
        if (quiet) args.insert(args.begin(), "--quiet");
        CliRun run(args, true);
        EXPECT_EQ(run.status, 0);
        const std::string& err = run.process.Err();
        EXPECT_EQ(err.find("100%  230454 из 230454 байт") != std::string::npos, !quiet) << err;
        EXPECT_EQ(err.find('\n') == std::string::npos, true) << "redrawn in place: " << err;
    }
}

TEST_F(Cli, UsageErrorsGiveStatus2AndTheHelpHint) {
    const QString empty = dir.filePath("empty.ini");
    QFile(empty).open(QIODevice::WriteOnly);
    const std::string p = "--port=/dev/null";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"scan"},
        {"info", "--bogus"},
        {"--speed"},
        {p, "--speed", "7", "--timeout", "1000", "info"},
        {p, "--speed", "2", "--timeout", "99", "info"},
        {p, "--speed", "x", "--timeout", "1000", "info"},
        {"snapshot", "--format", "png", "-o", "a"},
        {"snapshot", "--width", "0", "-o", "a"},
        {"snapshot", "--quality", "101", "-o", "a"},
        {"snapshot"},
        {"video", "--dir", "d"},
        {"video", "-n", "5"},
        {"video", "-n", "-1", "--dir", "d"},
        {"set-speed"},
        {"set-speed", "7"},
        {"info", "extra"},
        {"snapshot", "--json", "-o", "a"},
        {"info", "--on-trigger"},
        {"--port", "a", "--port", "b", "info"},
        {"--settings", empty.toStdString(), "info"},
        {"--settings", empty.toStdString(), "--port", "a", "--speed", "2", "info"},
        {"--settings", dir.path().toStdString(), "info"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        CliRun run(args);
        EXPECT_EQ(run.status, 2) << shown << run.process.Err();
        EXPECT_NE(run.process.Err().find("--help"), std::string::npos) << shown;
        EXPECT_TRUE(run.process.Out().empty()) << shown;
    }
    // Help for the program and for each command, on stdout with status 0.
    for (const char* command : {"", "info", "search", "snapshot", "video", "set-speed"}) {
        std::vector<std::string> args{"--help"};
        if (*command) args.insert(args.begin(), command);
        CliRun run(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.process.Out().find(std::string("veltor-cli ")), std::string::npos);
        EXPECT_NE(run.process.Out().find(*command ? command : "КОМАНДА"), std::string::npos);
    }
}

TEST_F(Cli, SetSpeedMovesTheDeviceAndPrintsTheRate) {
    StartSim();
    CliRun run(Args({"set-speed", "6"}));
    EXPECT_EQ(run.status, 0) << run.process.Err();
    EXPECT_EQ(run.process.Out(), "115200\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sim->BaudIndex(), 6);
    // Asked at a speed it no longer runs at, it is not there: the window's text, status 1.
    CliRun again(Args({"set-speed", "4"}));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.process.Err(), "veltor-cli: (-1) Нет связи\n");
}

}  // namespace
