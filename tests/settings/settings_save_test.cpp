// Saving the settings file where it is awkward: bytes that are not UTF-8, files and folders that
// may not be written (held to their permission bits even when the tests run as root), folders
// that do not exist yet.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "settings/ini_file.h"
#include "tests/support/disk_full.h"

namespace {

class SettingsSaveTest : public testing::Test {
protected:
    ~SettingsSaveTest() override { SetMode(dir_.path(), 0700); }  // so that it can be removed

    QString Path(const QString& name = "veltor.ini") const { return dir_.filePath(name); }

    static void SetMode(const QString& path, mode_t mode) {
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
    }

    static struct stat Stat(const QString& path) {
        struct stat info {};
        EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        return info;
    }

    void WriteRaw(const QByteArray& bytes, const QString& name = "veltor.ini") {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // As a std::string, which a failing comparison prints byte by byte.
    std::string ReadRaw(const QString& name = "veltor.ini") const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }

    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files); }

    QTemporaryDir dir_;
};

// What the window does at every close: each value read at the start is written back.
TEST_F(SettingsSaveTest, BytesThatAreNotUtf8SurviveASave) {
    const std::string before =
        "; \xC0\xC1 written by hand in another encoding\n"
        "[Connect]\nPortName=/dev/tty\xFF\xFE\nTimeout=300\nNote=caf\xE9\n"
        "[\xE9t\xE9]\nk=\x80\n";
    WriteRaw(QByteArray::fromStdString(before));
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteString("Connect", "PortName", ini.ReadString("Connect", "PortName", ""));
    ini.WriteString("Connect", "Note", ini.ReadString("Connect", "Note", ""));
    ini.WriteInt("Connect", "Timeout", 500);
    ASSERT_TRUE(ini.Save());
    std::string expected = before;
    expected.replace(expected.find("Timeout=300"), 11, "Timeout=500");
    EXPECT_EQ(ReadRaw(), expected);

    ini.WriteString("Connect", "PortName", "/dev/ttyUSB0");
    ASSERT_TRUE(ini.Save());
    expected.replace(expected.find("/dev/tty\xFF\xFE"), 10, "/dev/ttyUSB0");
    EXPECT_EQ(ReadRaw(), expected) << "a value that does change is written";
}

TEST_F(SettingsSaveTest, AFileWithoutWritePermissionIsNeverWritten) {
    const char* before = "[Connect]\nTimeout=300\n";
    WriteRaw(before);
    SetMode(Path(), 0444);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save()) << "not even by the superuser";
    EXPECT_EQ(ini.SaveError(), EACCES);
    EXPECT_EQ(ReadRaw(), before);
}

TEST_F(SettingsSaveTest, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    WriteRaw("[Connect]\nTimeout=300\nPortName=/dev/a-rather-long-port-name\n");
    SetMode(Path(), 0640);
    const ino_t inode = Stat(Path()).st_ino;
    SetMode(dir_.path(), 0555);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteInt("Connect", "Timeout", 1000);
    ini.WriteString("Connect", "PortName", "/dev/ttyS0");  // shorter: the old tail must go
    ASSERT_TRUE(ini.Save()) << strerror(ini.SaveError());
    EXPECT_EQ(ReadRaw(), "[Connect]\nTimeout=1000\nPortName=/dev/ttyS0\n");
    EXPECT_EQ(Stat(Path()).st_ino, inode);
    EXPECT_EQ(Stat(Path()).st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(), QStringList{"veltor.ini"});
}

TEST_F(SettingsSaveTest, AFailedRewriteInPlacePutsTheOldContentsBack) {
    const char* before = "[Connect]\nPortName=/dev/ttyS0\n";
    WriteRaw(before);
    SetMode(dir_.path(), 0555);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteString("Connect", "PortName", QString(4000, 'x'));

    // A disk that fills up in the middle of the write.
    const bool saved = SaveOnAFullDisk([&] { return ini.Save(); });

    EXPECT_FALSE(saved);
    EXPECT_EQ(ini.SaveError(), EFBIG);
    EXPECT_EQ(ReadRaw(), before);
}

TEST_F(SettingsSaveTest, NoNewFileInAReadOnlyFolder) {
    SetMode(dir_.path(), 0555);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ini.SaveError(), EACCES);
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(SettingsSaveTest, MissingFoldersAreCreatedPrivateOnSave) {
    IniFile ini(Path("config/veltor/veltor.ini"));
    ASSERT_TRUE(ini.Load());
    EXPECT_FALSE(QFile::exists(Path("config"))) << "loading creates nothing";
    ini.WriteInt("Connect", "Timeout", 1000);
    ASSERT_TRUE(ini.Save()) << strerror(ini.SaveError());
    EXPECT_EQ(ReadRaw("config/veltor/veltor.ini"), "[Connect]\nTimeout=1000\n");
    EXPECT_EQ(Stat(Path("config")).st_mode & 07777, 0700u);
    EXPECT_EQ(Stat(Path("config/veltor")).st_mode & 07777, 0700u);

    WriteRaw("a file", "blocked");
    IniFile blocked(Path("blocked/veltor/veltor.ini"));
    ASSERT_TRUE(blocked.Load());
    blocked.WriteInt("Connect", "Timeout", 1000);
    EXPECT_FALSE(blocked.Save());
    EXPECT_EQ(blocked.SaveError(), ENOTDIR);
    EXPECT_EQ(ReadRaw("blocked"), "a file");
}

TEST_F(SettingsSaveTest, AFileThatWasNotReadIsNotReplacedAndSaysWhy) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("veltor.ini"));
    IniFile ini(Path());
    EXPECT_FALSE(ini.Load());
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ini.SaveError(), EISDIR);
}

}  // namespace
