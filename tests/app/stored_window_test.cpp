// Stored values that would hurt the program: a window size no screen can show, and a speed
// index outside the table.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <fstream>

#include "tests/app/window_fixture.h"

namespace {

// The process's resident memory in bytes.
long long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long total = 0;
    long long resident = 0;
    statm >> total >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

class StoredWindow : public WindowTest {
protected:
    static QByteArray SizeKeys(QSize size) {
        return QStringLiteral("Width=%1\nHeight=%2\n")
            .arg(size.width())
            .arg(size.height())
            .toUtf8();
    }
};

}  // namespace

TEST_F(StoredWindow, AHugeSizeIsTheTemplatesAndCostsNoMemory) {
    WriteIni("[Window]\nIsMaximized=0\nWidth=100000\nHeight=100000\n");
    const long long before = ResidentBytes();
    QSize minimum;
    {
        CVeltorDlg window(Ini());
        minimum = window.minimumSize();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        EXPECT_EQ(window.size(), minimum);
        EXPECT_LT(ResidentBytes() - before, 100LL << 20);
        window.close();
    }
    EXPECT_TRUE(ReadIni().contains(SizeKeys(minimum))) << ReadIni().toStdString();
}

// The screen's available area is the limit: a size that fills it is kept, one pixel more in
// either direction is not.
TEST_F(StoredWindow, ASizeLargerThanTheScreenIsTheTemplates) {
    const QSize area = QApplication::primaryScreen()->availableGeometry().size();
    for (const QSize stored : {area, area + QSize(1, 0), area + QSize(0, 1)}) {
        WriteIni("[Window]\n" + SizeKeys(stored));
        CVeltorDlg window(Ini());
        window.show();
        const QSize expected = stored == area ? area : window.minimumSize();
        EXPECT_EQ(window.size(), expected) << stored.width() << "x" << stored.height();
        window.close();
        EXPECT_TRUE(ReadIni().contains(SizeKeys(expected))) << ReadIni().toStdString();
    }
}

// An index of 256 or more must not wrap to a table entry: Start opens at 9600 bit/s, as the
// connection page shows it.
TEST_F(StoredWindow, ASpeedIndexOutsideTheTableStartsAt9600) {
    Open({}, Snapshot, 256);
    PressStart();
    ASSERT_FALSE(sim->Log().empty());
    EXPECT_EQ(sim->Log().front().lineBaud, 9600u);
    EXPECT_TRUE(boxes.Texts().empty());
}
