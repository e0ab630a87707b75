#include "device/port_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/device_link.h"
#include "tests/support/failure_text.h"
#include "tests/support/pty_pair.h"

namespace {

const std::string kBusy = "COM-порт занят другим приложением";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string PidText(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
    return text;
}

// The id of a process that has just ended.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// A temporary lock folder that CComDevice uses for the test's duration.
class PortLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ::setenv("VELTOR_LOCK_DIR", Folder().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VELTOR_LOCK_DIR"); }

    std::string Folder() const { return m_dir.path().toStdString(); }
    std::string LockOf(const std::string& device) const {
        return Folder() + "/" + PortLockName(device);
    }
    void PutLock(const std::string& device, const std::string& content) const {
        std::ofstream(LockOf(device)) << content;
    }
    static std::string OpenText(const std::string& device) {
        return FailureText([&] { DeviceLink link(device, 2, 100); });
    }

    PtyPair m_pty;

private:
    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(PortLockTest, NamesFollowTheDeviceBehindAnyAlias) {
    EXPECT_EQ(PortLockName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    const std::string number = m_pty.SlavePath().substr(std::string("/dev/pts/").size());
    EXPECT_EQ(PortLockName(m_pty.SlavePath()), "LCK..pts_" + number);
    const std::string alias = Folder() + "/scanner";
    std::filesystem::create_symlink(m_pty.SlavePath(), alias);
    EXPECT_EQ(PortLockName(alias), "LCK..pts_" + number);
    EXPECT_EQ(PortLockName("/tmp/not-a-device"), "LCK..not-a-device");
}

TEST_F(PortLockTest, LiveOwnersAndUnreadableLocksKeepThePortBusy) {
    for (const std::string& content :
         {PidText(1), std::string("1\n"), std::string(), std::string("garbage\n"), PidText(0)}) {
        PutLock(m_pty.SlavePath(), content);
        EXPECT_EQ(OpenText(m_pty.SlavePath()), kBusy) << "lock holding '" << content << "'";
        EXPECT_EQ(ReadFile(LockOf(m_pty.SlavePath())), content) << "another's lock was touched";
    }
    const std::string alias = Folder() + "/scanner";
    std::filesystem::create_symlink(m_pty.SlavePath(), alias);
    PutLock(m_pty.SlavePath(), PidText(1));
    EXPECT_EQ(OpenText(alias), kBusy) << "a lock counts whatever name the port is reached by";
}

// On a free port and over the lock of a process that has ended.
TEST_F(PortLockTest, OpenPortCarriesOurLockUntilClosed) {
    for (const bool stale : {false, true}) {
        if (stale) PutLock(m_pty.SlavePath(), PidText(EndedProcess()));
        {
            DeviceLink link(m_pty.SlavePath(), 2, 100);
            EXPECT_EQ(ReadFile(LockOf(m_pty.SlavePath())), PidText(::getpid())) << stale;
        }
        EXPECT_FALSE(std::filesystem::exists(LockOf(m_pty.SlavePath())));
    }
}

TEST_F(PortLockTest, FailedOpenLeavesNoLock) {
    CComDevice holder;
    ASSERT_TRUE(holder.Open(m_pty.SlavePath(), 9600, 100));
    ::unlink(LockOf(m_pty.SlavePath()).c_str());  // only the exclusive open stands in the way
    EXPECT_EQ(OpenText(m_pty.SlavePath()), kBusy);
    EXPECT_FALSE(std::filesystem::exists(LockOf(m_pty.SlavePath())));
}

TEST_F(PortLockTest, ReleaseLeavesAReplacedLockAlone) {
    PortLock lock;
    ASSERT_EQ(lock.Acquire(m_pty.SlavePath(), Folder()), 0);
    ASSERT_TRUE(lock.Held());
    PutLock(m_pty.SlavePath(), PidText(1));
    lock.Release();
    EXPECT_EQ(ReadFile(LockOf(m_pty.SlavePath())), PidText(1));
}

TEST_F(PortLockTest, FolderWeCannotWriteIsNoError) {
    PortLock lock;
    EXPECT_EQ(lock.Acquire(m_pty.SlavePath(), Folder() + "/missing"), 0);
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(lock.Acquire(m_pty.SlavePath(), ""), 0);

    if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
    ::chmod(Folder().c_str(), 0555);
    EXPECT_EQ(lock.Acquire(m_pty.SlavePath(), Folder()), 0);
    EXPECT_FALSE(lock.Held());
    ::chmod(Folder().c_str(), 0755);
    PutLock(m_pty.SlavePath(), PidText(1));
    ::chmod(Folder().c_str(), 0555);
    EXPECT_EQ(lock.Acquire(m_pty.SlavePath(), Folder()), EBUSY) << "a live lock still counts";
    ::chmod(Folder().c_str(), 0755);
}
