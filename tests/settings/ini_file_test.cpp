#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support/disk_full.h"

namespace {

class IniFileTest : public testing::Test {
protected:
    QString Path(const QString& name = "veltor.ini") const { return dir_.filePath(name); }

    void WriteRaw(const QByteArray& bytes, const QString& name = "veltor.ini") {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadRaw(const QString& name = "veltor.ini") const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Loads `bytes`, applies `edit`, saves, and returns the bytes on disk.
    template <typename Edit>
    QByteArray Rewrite(const QByteArray& bytes, Edit edit) {
        WriteRaw(bytes);
        IniFile ini(Path());
        EXPECT_TRUE(ini.Load());
        edit(ini);
        EXPECT_TRUE(ini.Save());
        return ReadRaw();
    }

    QTemporaryDir dir_;
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndSaveCreatesItInWriteOrder) {
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadInt("Connect", "BaudRate", 2), 2);
    EXPECT_EQ(ini.ReadString("Connect", "PortName", "keep"), "keep");
    EXPECT_TRUE(ini.Save());
    EXPECT_FALSE(QFile::exists(Path())) << "nothing written, nothing created";

    ini.WriteString("Connect", "PortName", "");
    ini.WriteInt("Connect", "BaudRate", 2);
    ini.WriteInt("ImageAcquisition\\Snapshot", "ViewWidth", -1);
    ini.WriteInt("Connect", "Timeout", 1000);
    ini.WriteInt("ImageAcquisition", "AcquisitionMode", 0);
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadRaw(),
              "[Connect]\nPortName=\nBaudRate=2\nTimeout=1000\n\n"
              "[ImageAcquisition\\Snapshot]\nViewWidth=-1\n\n"
              "[ImageAcquisition]\nAcquisitionMode=0\n");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"veltor.ini"})
        << "no temporary file is left behind";

    IniFile again(Path());
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.ReadString("Connect", "PortName", "x"), "") << "empty value round-trips";
    EXPECT_EQ(again.ReadInt("ImageAcquisition\\Snapshot", "ViewWidth", 0), -1);
    EXPECT_EQ(again.ReadInt("ImageAcquisition", "ViewWidth", 7), 7) << "backslash is not nesting";
}

TEST_F(IniFileTest, WriteChangesOnlyTheValueBytes) {
    const QByteArray before =
        "\xEF\xBB\xBF; settings\r\n\r\n[Connect]\r\n  PortName = /dev/ttyS0  \r\n"
        "Unknown=kept\r\n; between\r\n\r\n[Other]\r\nx=1\r\n[Window]\r\nWidth=10";
    QByteArray after = Rewrite(before, [](IniFile& ini) {
        ini.WriteString("connect", "portname", "/dev/ttyUSB0");
        ini.WriteInt("Connect", "BaudRate", 6);  // added after the section's last key
        ini.WriteInt("WINDOW", "Width", 800);    // last line, no line ending
        ini.WriteInt("Window", "Height", 600);   // follows it, still no final ending
        ini.WriteInt("New", "Key", 5);           // new section at the end
    });
    EXPECT_EQ(after,
              "\xEF\xBB\xBF; settings\r\n\r\n[Connect]\r\n  PortName = /dev/ttyUSB0  \r\n"
              "Unknown=kept\r\nBaudRate=6\r\n; between\r\n\r\n[Other]\r\nx=1\r\n[Window]\r\n"
              "Width=800\r\nHeight=600\r\n\r\n[New]\r\nKey=5\r\n");
}

TEST_F(IniFileTest, ReadsLikeTheProfileFunctions) {
    WriteRaw(
        "orphan=1\n"
        "[ImageAcquisition\\Snapshot]\n"
        "ViewWidth=65535\nViewHeight=-1\nJpegQuality=12abc\nImageFormat=abc\n"
        "SubsamplingCoeff=\nQuoted=\" spaced \"\nBig=4294967297\nSigned=  +42\n"
        "ViewWidth=99\n"
        "[Dup]\na=first\n[dup]\na=second\nb=hidden\n"
        "[Кадр]\nКлюч=значение\n");
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    const QString s = "imageacquisition\\SNAPSHOT";
    EXPECT_EQ(ini.ReadInt(s, "ViewWidth", 0), 65535) << "first of duplicate keys wins";
    EXPECT_EQ(ini.ReadInt(s, "ViewHeight", 0), -1);
    EXPECT_EQ(ini.ReadInt(s, "JpegQuality", 0), 12) << "text after the number is ignored";
    EXPECT_EQ(ini.ReadInt(s, "ImageFormat", 5), 0) << "present, but no digits";
    EXPECT_EQ(ini.ReadInt(s, "SubsamplingCoeff", 7), 7) << "an empty value gives the default";
    EXPECT_EQ(ini.ReadString(s, "SubsamplingCoeff", "x"), "");
    EXPECT_EQ(ini.ReadString(s, "Quoted", ""), " spaced ");
    EXPECT_EQ(ini.ReadInt(s, "Big", 0), 1) << "wraps modulo 2^32";
    EXPECT_EQ(ini.ReadInt(s, "Signed", 0), 42);
    EXPECT_EQ(ini.ReadInt("", "orphan", 9), 9) << "keys before any section are unreachable";
    EXPECT_EQ(ini.ReadString("Dup", "a", ""), "first");
    EXPECT_EQ(ini.ReadString("Dup", "b", "none"), "none") << "only the first section counts";
    EXPECT_EQ(ini.ReadString("кадр", "КЛЮЧ", ""), "значение");
}

TEST_F(IniFileTest, OddContentIsReadAndKeptIntact) {
    QByteArray garbage("\x00\xFF\xFE[\x01=\x02\n", 9);
    const QByteArray longLine(200000, 'z');
    const QByteArray before =
        "no sections at all\n" + garbage + longLine + "\n[Connect\n" + "=orphan value\nTimeout=300";
    WriteRaw(before);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadInt("Connect", "Timeout", 1000), 1000) << "'[Connect' is no header";
    ini.WriteInt("Connect", "Timeout", 500);
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadRaw(), before + "\n\n[Connect]\nTimeout=500\n");
}

TEST_F(IniFileTest, RefusesWritesThatWouldBreakTheFormat) {
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_FALSE(ini.WriteString("Connect", "PortName", "a\nInjected=1"));
    EXPECT_FALSE(ini.WriteString("Connect", "Port=Name", "a"));
    EXPECT_FALSE(ini.WriteString("Con]nect", "PortName", "a"));
    EXPECT_FALSE(ini.WriteString("", "PortName", "a"));
    EXPECT_FALSE(ini.WriteString("Connect", ";PortName", "a"));
    EXPECT_TRUE(ini.Save());
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(IniFileTest, FailedSaveLeavesTheOldFileUntouched) {
    const QByteArray before = "[Connect]\nPortName=/dev/ttyS0\n";
    WriteRaw(before);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteString("Connect", "PortName", QString(4000, 'x'));

    // A disk that fills up in the middle of the write.
    const bool saved = SaveOnAFullDisk([&] { return ini.Save(); });

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadRaw(), before);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"veltor.ini"});
    EXPECT_TRUE(ini.Save()) << "the writes are still there for a later attempt";
}

TEST_F(IniFileTest, SaveFailsWhereNoFileCanBeMade) {
    WriteRaw("not a directory");
    IniFile ini(Path() + "/veltor.ini");
    EXPECT_TRUE(ini.Load()) << "a file that is not there loads as empty";
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ReadRaw(), "not a directory");
}

TEST_F(IniFileTest, SaveWithoutLoadNeverReplacesTheFile) {
    WriteRaw("[Connect]\nPortName=/dev/ttyS0\n");
    IniFile ini(Path());
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=/dev/ttyS0\n");
}

TEST_F(IniFileTest, UnreadableFileGivesDefaultsAndIsNeverReplaced) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("veltor.ini"));  // a directory where the file should be
    IniFile ini(Path());
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.ReadInt("Connect", "Timeout", 1000), 1000);
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

TEST_F(IniFileTest, ReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
    const QByteArray before = "[Connect]\nTimeout=300\n";
    WriteRaw(before);
    ASSERT_EQ(chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadInt("Connect", "Timeout", 0), 300);
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ReadRaw(), before);
}

TEST_F(IniFileTest, SaveKeepsPermissionsAndFollowsSymbolicLinks) {
    WriteRaw("[A]\nk=1\n", "real.ini");
    ASSERT_EQ(chmod(QFile::encodeName(Path("real.ini")).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(Path("real.ini"), Path()));
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteInt("A", "k", 2);
    ASSERT_TRUE(ini.Save());
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
    EXPECT_EQ(ReadRaw("real.ini"), "[A]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(Path("real.ini")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

}  // namespace
