// Stored values that would hurt the program: a window size no screen can show, and a speed
// index outside the table.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "tests/support/message_boxes.h"
#include "tools/scanner-sim/scanner.h"

namespace {

// The process's resident memory in bytes.
long long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long total = 0;
    long long resident = 0;
    statm >> total >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

class StoredWindow : public ::testing::Test {
protected:
    QString Ini() const { return dir.filePath(QStringLiteral("veltor.ini")); }
    void WriteIni(const QString& content) {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.toUtf8());
    }
    QString ReadIni() const {
        QFile file(Ini());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static QString SizeKeys(QSize size) {
        return QStringLiteral("Width=%1\nHeight=%2\n").arg(size.width()).arg(size.height());
    }

    QTemporaryDir dir;
    MessageBoxes boxes;
};

TEST_F(StoredWindow, AHugeSizeIsTheTemplatesAndCostsNoMemory) {
    WriteIni(QStringLiteral("[Window]\nIsMaximized=0\nWidth=100000\nHeight=100000\n"));
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
        WriteIni(QStringLiteral("[Window]\n") + SizeKeys(stored));
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
    scanner_sim::Scanner sim;
    WriteIni(QStringLiteral("[Connect]\nPortName=%1\nBaudRate=256\nTimeout=1000\n")
                 .arg(QString::fromStdString(sim.SlavePath())));
    CVeltorDlg window(Ini());
    window.show();
    QTest::mouseClick(window.Toolbar()->Control(CToolbarDlg::IDC_START), Qt::LeftButton);
    ASSERT_FALSE(sim.Log().empty());
    EXPECT_EQ(sim.Log().front().lineBaud, 9600u);
    EXPECT_TRUE(boxes.Texts().empty());
    window.close();
}

}  // namespace
