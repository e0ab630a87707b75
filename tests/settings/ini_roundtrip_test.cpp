// Values read back exactly as written, through a real settings file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "settings/ini_file.h"

namespace {

class IniRoundTrip : public testing::Test {
protected:
    QString Path() const { return dir_.filePath("veltor.ini"); }

    QByteArray ReadRaw() const {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Writes `value` to a file holding `before`, saves, and reads it back from a fresh load.
    QString WriteAndReload(const QString& value, const QByteArray& before = "[Connect]\n") {
        QFile file(Path());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
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

TEST_F(IniRoundTrip, ValuesTheReaderWouldTrimOrUnquoteComeBackIdentical) {
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

TEST_F(IniRoundTrip, OnlyValuesThatNeedItAreQuotedOnDisk) {
    WriteAndReload("/dev/ttyUSB0");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=/dev/ttyUSB0\n");
    WriteAndReload(" x ");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=\" x \"\n");
    WriteAndReload("'x'");
    EXPECT_EQ(ReadRaw(), "[Connect]\nPortName=\"'x'\"\n");
}

TEST_F(IniRoundTrip, ReplacingAHandEditedValueKeepsTheLineAroundIt) {
    const QByteArray before = "[Connect]\r\n  PortName =  \"old\"  \r\nBaudRate=6\r\n";
    EXPECT_EQ(WriteAndReload(" new", before), " new");
    EXPECT_EQ(ReadRaw(), "[Connect]\r\n  PortName =  \" new\"  \r\nBaudRate=6\r\n");
}

TEST_F(IniRoundTrip, ValuesGoBeforeACarriageReturnThatEndsTheirLine) {
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

TEST_F(IniRoundTrip, HandEditedFilesStillReadTrimmedAndUnquoted) {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF[A]\nplain=  x  \nquoted = ' y '\nmark=\xEF\xBB\xBFz\n");
    file.close();
    IniFile ini(Path());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadString("A", "plain", ""), "x");
    EXPECT_EQ(ini.ReadString("A", "quoted", ""), " y ");
    EXPECT_EQ(ini.ReadString("A", "mark", ""), QString(QChar(0xFEFF)) + "z")
        << "only the file's first bytes are a byte-order mark";
}

TEST_F(IniRoundTrip, ValuesWithoutAUtf8FormAreRefusedAndChangeNothing) {
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
