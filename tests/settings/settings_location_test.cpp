// Where the settings file lives: beside the executable where that can be written, in the user's
// configuration folder otherwise. "Read-only" is a folder's mode 0555, which the rule holds even
// the superuser to, so these run the same as root and as an ordinary user.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>

#include "settings/profile_path.h"

namespace {

// Sets an environment variable (or removes it, for nothing) for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = QByteArray(old);
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<QByteArray>& value) {
        if (value) {
            setenv(name_, value->constData(), 1);
        } else {
            unsetenv(name_);
        }
    }

    const char* name_;
    std::optional<QByteArray> old_;
};

class SettingsLocationTest : public testing::Test {
protected:
    ~SettingsLocationTest() override { SetMode(Program(), 0700); }

    QString Program(const QString& name = QString()) const {
        return name.isEmpty() ? root_.filePath("bin") : root_.filePath("bin/" + name);
    }
    QString Config() const { return root_.filePath("config"); }

    static void SetMode(const QString& path, mode_t mode) {
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
    }

    void SetUp() override {
        ASSERT_TRUE(QDir(root_.path()).mkdir("bin"));
        ASSERT_TRUE(QDir(root_.path()).mkdir("home"));
    }

    static QString Located(const QString& executable) {
        const ProfilePathResult result = SettingsFilePath(executable);
        EXPECT_TRUE(result.ok()) << executable.toStdString();
        return result.path;
    }

    QTemporaryDir root_;
    ScopedEnv configHome_{"XDG_CONFIG_HOME", QFile::encodeName(root_.filePath("config"))};
    ScopedEnv home_{"HOME", QFile::encodeName(root_.filePath("home"))};
};

TEST_F(SettingsLocationTest, BesideTheExecutableWhenItsFolderMayBeWritten) {
    EXPECT_EQ(Located(Program("veltor")), Program("veltor.ini"));
    EXPECT_EQ(Located(Program("veltor-cli")), Program("veltor-cli.ini"));
}

TEST_F(SettingsLocationTest, InTheConfigFolderWhenTheExecutablesFolderIsReadOnly) {
    SetMode(Program(), 0555);
    EXPECT_EQ(Located(Program("veltor")), Config() + "/veltor/veltor.ini");
    EXPECT_EQ(Located(Program("veltor-cli")), Config() + "/veltor/veltor-cli.ini");
    EXPECT_EQ(Located(Program("veltor.bin")), Config() + "/veltor/veltor.ini");
    EXPECT_FALSE(QFile::exists(Config())) << "finding the place creates nothing";
}

// How such a file is then saved is IniFileTest.AWritableFileInAReadOnlyFolderIsRewrittenInPlace.
TEST_F(SettingsLocationTest, AWritableFileInAReadOnlyFolderStays) {
    QFile file(Program("veltor.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SetMode(Program(), 0555);
    EXPECT_EQ(Located(Program("veltor")), Program("veltor.ini"));
    SetMode(Program("veltor.ini"), 0444);
    EXPECT_EQ(Located(Program("veltor")), Config() + "/veltor/veltor.ini")
        << "a read-only file in a read-only folder is left alone";
}

TEST_F(SettingsLocationTest, ConfigFolderFollowsXdgConfigHome) {
    SetMode(Program(), 0555);
    const QString underHome = root_.filePath("home/.config/veltor/veltor.ini");
    for (std::optional<QByteArray> value :
         {std::optional<QByteArray>(), std::optional<QByteArray>(""),
          std::optional<QByteArray>("relative/config")}) {
        ScopedEnv configHome("XDG_CONFIG_HOME", value);
        EXPECT_EQ(Located(Program("veltor")), underHome) << (value ? value->constData() : "unset");
    }
    ScopedEnv configHome("XDG_CONFIG_HOME", QFile::encodeName(root_.filePath("elsewhere/")));
    EXPECT_EQ(Located(Program("veltor")), root_.filePath("elsewhere/veltor/veltor.ini"));
}

}  // namespace
