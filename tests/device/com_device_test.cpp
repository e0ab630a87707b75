#include "device/com_device.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>

#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <thread>

#include "device/device_exceptions.h"
#include "device/device_link.h"
#include "tests/support/pty_pair.h"

namespace {

std::string OpenFailureText(const std::string& name) {
    try {
        DeviceLink link(name, 2, 100);
    } catch (const com_port_exception& e) {
        return e.description();
    }
    return "opened";
}

// The reason a channel operation failed with; fails the test when it did not throw.
CDeviceException::Reason FailureReason(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const CDeviceException& e) {
        return e.GetReason();
    }
    ADD_FAILURE() << "no channel failure";
    return CDeviceException::Reason::IoError;
}

}  // namespace

TEST(ComDevice, ReadDeliversWholeAnswerOrNothing) {
    PtyPair pty;
    CComDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), 9600, 200));

    pty.Send({1, 2, 3, 4, 5, 6, 7, 8, 9});
    uint8_t buffer[10] = {};
    EXPECT_EQ(FailureReason([&] { device.Read(buffer, 10); }), CDeviceException::Reason::TimedOut);
    for (uint8_t b : buffer) EXPECT_EQ(b, 0) << "a short read must not deliver its bytes";

    pty.Send({0xAA, 0xBB});
    EXPECT_EQ(device.ReadByte(), 0xAA);
    EXPECT_EQ(device.ReadByte(), 0xBB);
    EXPECT_THROW(device.ReadByte(), CDeviceException);
}

TEST(ComDevice, WritesReachTheLineAndPurgeDropsPendingInput) {
    PtyPair pty;
    CComDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), 115200, 200));
    const uint8_t data[] = {0x02, 0x01, 0x9F};
    device.Write(data, 3);
    device.WriteByte(0x9E);
    EXPECT_EQ(pty.Receive(4), (std::vector<uint8_t>{0x02, 0x01, 0x9F, 0x9E}));

    pty.SendQueued({7, 7, 7});
    device.PurgeReceive();
    EXPECT_THROW(device.ReadByte(), CDeviceException);
}

TEST(ComDevice, OpenSetsTimeoutAndRawEightNoneOne) {
    PtyPair pty;
    termios messy{};
    ::tcgetattr(pty.SlaveFd(), &messy);
    messy.c_cflag |= PARENB | PARODD | CSTOPB | CRTSCTS;
    messy.c_cflag = (messy.c_cflag & ~CSIZE) | CS7;
    messy.c_iflag |= IXON | IXOFF | ICRNL;
    messy.c_lflag |= ECHO | ICANON;
    ::tcsetattr(pty.SlaveFd(), TCSANOW, &messy);

    CComDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), 19200, 500));
    EXPECT_EQ(device.GetTimeout(), 500u);
    EXPECT_EQ(device.GetBaudRate(), 19200u);
    device.SetBaudRate(57600);
    EXPECT_EQ(device.GetBaudRate(), 57600u);

    termios tio = pty.SlaveSettings();
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B57600));
}

TEST(ComDevice, ReopenClosesTheOldPortEvenWhenTheNewOpenFails) {
    PtyPair pty;
    CComDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), 9600, 100));
    EXPECT_FALSE(device.Open("/dev/veltor-no-such-port", 9600, 100));
    EXPECT_FALSE(device.IsOpen());
    CComDevice other;
    EXPECT_TRUE(other.Open(pty.SlavePath(), 9600, 100)) << "the first port was not released";
    // Closing releases the exclusive hold as well, so a third open after it works.
    other.Open("", 9600, 100);
    CComDevice third;
    EXPECT_TRUE(third.Open(pty.SlavePath(), 9600, 100));
}

TEST(ComDevice, OnlyTerminalDevicesAreOpened) {
    EXPECT_EQ(OpenFailureText(""), "COM-порт не задан");
    EXPECT_EQ(OpenFailureText("/dev/veltor-no-such-port"), "COM-порт не доступен");
    EXPECT_EQ(OpenFailureText("veltor-no-such-port"), "COM-порт не доступен");
    EXPECT_EQ(OpenFailureText("/dev/null"), "COM-порт не доступен");
    EXPECT_EQ(OpenFailureText(std::string(5000, 'x')), "COM-порт не задан");

    QTemporaryDir dir;
    const std::string file = dir.filePath("settings.txt").toStdString();
    std::ofstream(file) << "keep me";
    EXPECT_EQ(OpenFailureText(file), "COM-порт не доступен");
    EXPECT_EQ(OpenFailureText(dir.path().toStdString()), "COM-порт не доступен");
    EXPECT_EQ(OpenFailureText(file + "/below-a-file"), "COM-порт не задан");
    std::ifstream in(file);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "keep me");
}

TEST(ComDevice, OpenFailureTexts) {
    EXPECT_EQ(com_port_exception::FromErrno(31).description(), "Ошибка открытия COM-порта (31)");
    EXPECT_NE(com_port_exception::FromErrno(EACCES).description().find("dialout"),
              std::string::npos);
}

// At 2400 bit/s a long request is still on the wire for over a second after the kernel took it;
// an answer 1.2 s later is in time for a 1 s time-out that starts when the request has left.
TEST(ComDevice, AnswerTimeStartsWhenTheRequestHasLeftTheLine) {
    PtyPair pty;
    CComDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), 2400, 1000));
    const std::vector<uint8_t> request(264, 0x55);  // 1.1 s at 2400 bit/s
    device.Write(request.data(), static_cast<uint32_t>(request.size()));
    std::thread answer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        pty.Send({0x42});
    });
    uint8_t byte = 0;
    EXPECT_NO_THROW(byte = device.ReadByte());
    answer.join();
    EXPECT_EQ(byte, 0x42);
    EXPECT_EQ(pty.Receive(request.size()).size(), request.size());

    // An answer proves the request read: the next transaction's purge does not wait out a wire
    // time the line has not taken (a pseudo-terminal answers at once).
    device.Write(request.data(), static_cast<uint32_t>(request.size()));
    pty.Send({0x43});
    EXPECT_EQ(device.ReadByte(), 0x43);
    const auto start = std::chrono::steady_clock::now();
    device.PurgeTransmit();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(ComDevice, VanishedPortFailsAtOnce) {
    auto pty = std::make_unique<PtyPair>();
    CComDevice device;
    ASSERT_TRUE(device.Open(pty->SlavePath(), 9600, 5000));
    pty->CloseMaster();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureReason([&] { device.ReadByte(); }), CDeviceException::Reason::HungUp);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}
