// Image files: their names and types, and writing them without ever leaving half a file.

#include "imaging/file_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>

#include "imaging/image_file.h"
#include "tests/support/disk_full.h"
#include "tests/support/text_file.h"

namespace {

class FileWriter : public ::testing::Test {
protected:
    // Every file in the folder, hidden ones (a temporary left behind) included.
    QStringList Files() const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("Снимки со сканера"));
    const QByteArray data = QByteArray(3000, 'x') + "end";
};

TEST(ImageFile, NamesTypesAndContents) {
    const QDateTime arrival(QDate(2024, 3, 5), QTime(7, 8, 9, 45));
    EXPECT_EQ(SaveFileName(arrival, ImageFileType::Jpeg), "veltor-20240305-070809.jpg");
    EXPECT_EQ(SaveFileName(arrival, ImageFileType::Bmp), "veltor-20240305-070809.bmp");
    EXPECT_EQ(AutoSaveStem(arrival), "veltor-20240305-070809-045");
    EXPECT_EQ(TypeOfFileName("a/b.JPEG"), ImageFileType::Jpeg);
    EXPECT_EQ(TypeOfFileName("b.jpg"), ImageFileType::Jpeg);
    EXPECT_EQ(TypeOfFileName("b.Png"), ImageFileType::Png);
    EXPECT_EQ(TypeOfFileName("b.bmp"), ImageFileType::Bmp);
    EXPECT_EQ(TypeOfFileName("b.tif"), ImageFileType::None);
    EXPECT_EQ(TypeOfFileName("jpg"), ImageFileType::None);
    EXPECT_EQ(ReceivedFileType("BM\x10"), ImageFileType::Bmp);
    EXPECT_EQ(ReceivedFileType("\xFF\xD8\xFF\xE0"), ImageFileType::Jpeg);
    EXPECT_EQ(ReceivedFileType("\xFF\xD8"), ImageFileType::None);

    // Unconvertible requests give nothing rather than the received bytes under a wrong name.
    const ReceivedImage image{QImage(), QByteArray("BMxyz"), ImageFileType::Bmp, arrival};
    EXPECT_EQ(FileContents(image, ImageFileType::Bmp), image.bytes);
    EXPECT_TRUE(FileContents(image, ImageFileType::Png).isEmpty()) << "no picture to convert";
    EXPECT_TRUE(FileContents(image, ImageFileType::None).isEmpty());
}

TEST_F(FileWriter, NewFilesAreNumberedAndNeverReplaceOne) {
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteWholeFile(folder + "/veltor-1.bmp", "older"));
    QStringList written;
    for (int i = 0; i < 3; ++i)
        written
            << QFileInfo(WriteNewFile(folder, "veltor-1", "bmp", data + char('0' + i))).fileName();
    EXPECT_EQ(written, QStringList({"veltor-1-2.bmp", "veltor-1-3.bmp", "veltor-1-4.bmp"}));
    EXPECT_EQ(ReadWholeFile(folder + "/veltor-1.bmp"), "older");
    EXPECT_EQ(ReadWholeFile(folder + "/veltor-1-3.bmp"), data + '1');
    EXPECT_EQ(Files().size(), 4) << "no temporary file is left";

    ASSERT_TRUE(ReplaceFile(folder + "/veltor-1.bmp", data));
    EXPECT_EQ(ReadWholeFile(folder + "/veltor-1.bmp"), data);
    EXPECT_EQ(Files().size(), 4);
}

// A missing folder and a full disk: nothing is left, errno says why, a replaced file is whole.
TEST_F(FileWriter, FailuresLeaveNoFileBehind) {
    errno = 0;
    EXPECT_TRUE(WriteNewFile(folder, "veltor-1", "jpg", data).isEmpty());
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(ReplaceFile(folder + "/a.jpg", data));
    EXPECT_EQ(errno, ENOENT);

    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteWholeFile(folder + "/a.jpg", "older"));
    EXPECT_FALSE(
        SaveOnAFullDisk([&] { return !WriteNewFile(folder, "b", "jpg", data).isEmpty(); }));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_FALSE(SaveOnAFullDisk([&] { return ReplaceFile(folder + "/a.jpg", data); }));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(Files(), QStringList({"a.jpg"}));
    EXPECT_EQ(ReadWholeFile(folder + "/a.jpg"), "older");
}

}  // namespace
