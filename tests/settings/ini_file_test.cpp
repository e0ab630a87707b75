// The settings file on real files in temporary folders: what is read, what a save changes on
// disk, values that come back exactly as written, and saving where it is awkward (bytes that are
// not UTF-8, files and folders that may not be written, held to their permission bits even when
// the tests run as root, folders that do not exist yet).
#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "settings/atomic_file.h"
#include "tests/support/disk_full.h"

namespace {

class IniFileTest : public testing::Test {
protected:
    ~IniFileTest() override { SetMode(dir_.path(), 0700); }  // so that it can be removed

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

    static void SetMode(const QString& path, mode_t mode) {
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
    }

    static struct stat Stat(const QString& path) {
        struct stat info {};
        EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        return info;
    }

    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files); }

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

    // Writes `value` to a file holding `before`, saves, and reads it back from a fresh load.
    QString WriteAndReload(const QString& value, const QByteArray& before = "[Connect]\n") {
        WriteRaw(before);
        IniFile ini(Path());
        EXPECT_TRUE(ini.Load());
        EXPECT_TRUE(ini.WriteString("Connect", "PortName", value));
        EXPECT_TRUE(ini.Save());
        IniFile again(Path());
        EXPECT_TRUE(again.Load());
        return again.ReadString("Connect", "PortName", "<missing>");
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

TEST_F(IniFileTest, HandEditedFilesStillReadTrimmedAndUnquoted) {
    WriteRaw("\xEF\xBB\xBF[A]\nplain=  x  \nquoted = ' y '\nmark=\xEF\xBB\xBFz\n");
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadString("A", "plain", ""), "x");
    EXPECT_EQ(ini.ReadString("A", "quoted", ""), " y ");
    EXPECT_EQ(ini.ReadString("A", "mark", ""), QString(QChar(0xFEFF)) + "z")
        << "only the file's first bytes are a byte-order mark";
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
    EXPECT_EQ(ini.SaveError(), EISDIR);
    EXPECT_TRUE(QFileInfo(Path()).isDir());
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

// What the window does at every close: each value read at the start is written back.
TEST_F(IniFileTest, BytesThatAreNotUtf8SurviveASave) {
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
    EXPECT_EQ(ReadRaw().toStdString(), expected);

    ini.WriteString("Connect", "PortName", "/dev/ttyUSB0");
    ASSERT_TRUE(ini.Save());
    expected.replace(expected.find("/dev/tty\xFF\xFE"), 10, "/dev/ttyUSB0");
    EXPECT_EQ(ReadRaw().toStdString(), expected) << "a value that does change is written";
}

TEST_F(IniFileTest, AFileWithoutWritePermissionIsNeverWritten) {
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

TEST_F(IniFileTest, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
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

// A disk that fills up in the middle of the write, both when the file is replaced and when a
// read-only folder makes the save rewrite it in place.
TEST_F(IniFileTest, FailedSaveLeavesTheOldFileUntouched) {
    for (const bool readOnlyFolder : {false, true}) {
        SetMode(dir_.path(), 0700);
        const QByteArray before = "[Connect]\nPortName=/dev/ttyS0\n";
        WriteRaw(before);
        if (readOnlyFolder) SetMode(dir_.path(), 0555);
        IniFile ini(Path());
        ASSERT_TRUE(ini.Load());
        ini.WriteString("Connect", "PortName", QString(4000, 'x'));
        EXPECT_FALSE(SaveOnAFullDisk([&] { return ini.Save(); })) << readOnlyFolder;
        EXPECT_EQ(ini.SaveError(), EFBIG);
        EXPECT_EQ(ReadRaw(), before);
        EXPECT_EQ(Entries(), QStringList{"veltor.ini"}) << "no temporary file is left behind";
        if (!readOnlyFolder) {
            EXPECT_TRUE(ini.Save()) << "the writes are kept for a later attempt";
        }
    }
}

TEST_F(IniFileTest, NoNewFileInAReadOnlyOrMissingFolder) {
    SetMode(dir_.path(), 0555);
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    ini.WriteInt("Connect", "Timeout", 1);
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ini.SaveError(), EACCES);
    EXPECT_TRUE(Entries().isEmpty());

    // The atomic write creates no folders; its reason is the missing one, not a permission.
    SetMode(dir_.path(), 0700);
    errno = 0;
    EXPECT_FALSE(WriteFileAtomically(Path("missing/image.jpg").toStdString(), "data"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(IniFileTest, MissingFoldersAreCreatedPrivateOnSave) {
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

TEST_F(IniFileTest, ValuesTheReaderWouldTrimOrUnquoteComeBackIdentical) {
    const QString bom(QChar(0xFEFF));
    const QString values[] = {
        " leading", "trailing\t",   " \v\f ",    "\"quoted\"", "'single'", "\"\"",       "\"",
        "'",        "\" spaced \"", "a \"b\" c", "\"half",     "ends\"",   bom + "text", bom,
        "",         "/dev/ttyS0",   "значение",
    };
    for (const QString& value : values) {
        EXPECT_EQ(WriteAndReload(value), value) << value.toStdString();
    }
}

TEST_F(IniFileTest, OnlyValuesThatNeedItAreQuotedOnDisk) {
    WriteAndReload("/dev/ttyUSB0");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=/dev/ttyUSB0\n");
    WriteAndReload(" x ");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=\" x \"\n");
    WriteAndReload("'x'");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=\"'x'\"\n");
}

TEST_F(IniFileTest, ReplacingAHandEditedValueKeepsTheLineAroundIt) {
    const QByteArray before = "[Connect]\r\n  PortName =  \"old\"  \r\nBaudRate=6\r\n";
    EXPECT_EQ(WriteAndReload(" new", before), " new");
    EXPECT_EQ(ReadRaw(), "[Connect]\r\n  PortName =  \" new\"  \r\nBaudRate=6\r\n");
}

TEST_F(IniFileTest, ValuesGoBeforeACarriageReturnThatEndsTheirLine) {
    IniFile ini(Path());
    // The last line gets an ending when a key is added after it.
    ini.LoadFromMemory("[A]\nk=\r");
    ASSERT_TRUE(ini.WriteString("A", "new", "1"));
    ASSERT_TRUE(ini.WriteString("A", "k", "5"));
    EXPECT_EQ(ini.Content(), "[A]\nk=5\r\nnew=1") << "no stray carriage return inside a line";

    // An emptied value leaves the '\r' last.
    ini.LoadFromMemory("[A]\nk=\rx\n");
    ASSERT_TRUE(ini.WriteString("A", "k", ""));
    ASSERT_TRUE(ini.WriteString("A", "k", "5"));
    EXPECT_EQ(ini.Content(), "[A]\nk=5\r\n");
}

TEST_F(IniFileTest, ValuesWithoutAUtf8FormAreRefusedAndChangeNothing) {
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    const QString loneSurrogate = QString("port") + QChar(0xD800);
    EXPECT_FALSE(ini.WriteString("Connect", "PortName", loneSurrogate));
    EXPECT_FALSE(ini.WriteString("Connect", loneSurrogate, "x"));
    EXPECT_FALSE(ini.WriteInt(loneSurrogate, "BaudRate", 6));
    EXPECT_EQ(ini.Content(), "");
    EXPECT_TRUE(ini.WriteString("Connect", "PortName", QString::fromUtf16(u"\U0001F600")))
        << "a surrogate pair is an ordinary character";
}

}  // namespace
