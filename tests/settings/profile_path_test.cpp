#include "settings/profile_path.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/string_table.h"

namespace {

QString Ini(const QString& executable) {
    ProfilePathResult result = BuildProfilePath(executable);
    EXPECT_TRUE(result.ok()) << executable.toStdString();
    return result.path;
}

TEST(ProfilePathTest, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(Ini("/opt/veltor/bin/veltor"), "/opt/veltor/bin/veltor.ini");
    EXPECT_EQ(Ini("/opt/veltor/bin/veltor.exe"), "/opt/veltor/bin/veltor.ini");
    EXPECT_EQ(Ini("/opt/veltor/bin/veltor.1.2"), "/opt/veltor/bin/veltor.1.ini");
    EXPECT_EQ(Ini("/opt/veltor-1.0/bin/veltor"), "/opt/veltor-1.0/bin/veltor.ini");
    EXPECT_EQ(Ini("/home/ана/программа.bin"), "/home/ана/программа.ini");
    EXPECT_EQ(Ini("veltor"), "veltor.ini");
}

// The limit counts bytes, terminator included: PATH_MAX - 1 bytes is the longest path.
TEST(ProfilePathTest, PathsBeyondThePlatformLimitFail) {
    const QString dir = "/" + QString(PATH_MAX - 20, 'd') + "/";
    const QString fits = dir + QString(PATH_MAX - 1 - dir.size() - 4, 'v');  // + ".ini" fits
    EXPECT_EQ(Ini(fits).size(), PATH_MAX - 1);

    const QString tooLongForIni = fits + "v";
    EXPECT_EQ(BuildProfilePath(tooLongForIni).error, IDS_INI_NAME_FAILED);
    EXPECT_TRUE(BuildProfilePath(tooLongForIni).path.isEmpty());
    EXPECT_TRUE(BuildProfilePath(tooLongForIni.left(PATH_MAX - 5) + ".exe").ok())
        << "replacing an extension does not make it longer";

    const QString fillsTheBuffer = dir + QString(PATH_MAX - dir.size(), 'v');
    EXPECT_EQ(BuildProfilePath(fillsTheBuffer).error, IDS_PROGRAM_DIR_FAILED);
    EXPECT_EQ(BuildProfilePath(QString()).error, IDS_PROGRAM_DIR_FAILED);

    // Two bytes per Cyrillic letter: fits by characters, not by bytes.
    EXPECT_EQ(BuildProfilePath("/" + QString(PATH_MAX / 2, QChar(0x0436))).error,
              IDS_PROGRAM_DIR_FAILED);
}

}  // namespace
