#include "device/serial_ports.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "tests/support/pty_pair.h"

namespace {

// A sysfs tree and a device folder of our own making.
class SerialPortsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_root.isValid()); }

    QString Sys() const { return m_root.filePath("sys"); }
    QString Dev() const { return m_root.filePath("dev"); }

    // A terminal in the class folder; `device` (-> hardware) and `type` only when given, and
    // a device node standing for `node` (a character device).
    void AddTty(const QString& name, bool device, const QString& type = {},
                const QString& node = "/dev/null") const {
        const QString dir = Sys() + "/class/tty/" + name;
        ASSERT_TRUE(QDir().mkpath(dir));
        if (device) {
            ASSERT_TRUE(QDir().mkpath(dir + "/device"));
        }
        if (!type.isEmpty()) {
            QFile file(dir + "/type");
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(type.toUtf8() + "\n");
        }
        ASSERT_TRUE(QDir().mkpath(Dev()));
        if (!node.isEmpty()) {
            ASSERT_TRUE(QFile::link(node, Dev() + "/" + name));
        }
    }

    QStringList Ports(const QStringList& names) const {
        QStringList paths;
        for (const QString& name : names) paths.append(Dev() + "/" + name);
        return paths;
    }

private:
    QTemporaryDir m_root;
};

}  // namespace

TEST_F(SerialPortsTest, ListsPortsWithHardwareInNaturalOrder) {
    for (const char* name : {"ttyUSB0", "ttyS10", "ttyS1", "ttyS0", "ttyACM0", "ttyS9"})
        AddTty(name, true);
    AddTty("ttyS2", true, "0");  // legacy slot without a UART
    AddTty("ttyS3", true, "4");  // a 16550A
    AddTty("tty0", false);       // virtual terminals and the console
    AddTty("console", false);
    AddTty("ttyS4", true, "4", QString());  // no device node
    AddTty("ttyS5", true, {}, Sys());       // not a character device
    EXPECT_EQ(SystemSerialPorts(Sys(), Dev()),
              Ports({"ttyACM0", "ttyS0", "ttyS1", "ttyS3", "ttyS9", "ttyS10", "ttyUSB0"}));
}

TEST_F(SerialPortsTest, NoClassFolderGivesNoPorts) {
    EXPECT_TRUE(SystemSerialPorts(Sys(), Dev()).isEmpty());
}

TEST(SerialPortNames, NaturalOrderIsATotalOrder) {
    QStringList names = {"ttyUSB10", "ttyS01", "ttyUSB2", "ttyS1", "ttyS", "ttyAMA0", "ttyS001"};
    std::sort(names.begin(), names.end(), PortNameLess);
    EXPECT_EQ(names, (QStringList{"ttyAMA0", "ttyS", "ttyS001", "ttyS01", "ttyS1", "ttyUSB2",
                                  "ttyUSB10"}));
    EXPECT_FALSE(PortNameLess("ttyS1", "ttyS1"));
}

// Listing must not open a port: an open raises an idle port's modem lines. The pseudo-terminal
// stands for a port; the watch sees any open of it.
TEST_F(SerialPortsTest, ListingOpensNoPort) {
    PtyPair pty;
    AddTty("ttyUSB0", true, {}, QString::fromStdString(pty.SlavePath()));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, pty.SlavePath().c_str(), IN_OPEN | IN_CLOSE), 0);
    const termios before = pty.SlaveSettings();

    EXPECT_EQ(SystemSerialPorts(Sys(), Dev()), Ports({"ttyUSB0"}));
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the port was opened";
    const termios after = pty.SlaveSettings();
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);

    // The watch does see an open.
    ::close(::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_GT(::read(watch, events, sizeof events), 0);
    ::close(watch);
}
