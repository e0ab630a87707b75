#include "discovery/device_search_dlg.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "device/com_device.h"
#include "tests/discovery/discovery_fixture.h"
#include "tests/support/pty_pair.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using D = CDeviceSearchDlg;

scanner_sim::Config AtSpeed(int baudIndex) {
    scanner_sim::Config config;
    config.baudIndex = baudIndex;
    return config;
}

class DeviceSearchDlgTest : public DiscoveryTest {
protected:
    QTreeWidget* List(D& dialog) { return dialog.List(); }
    QTreeWidgetItem* Row(D& dialog, const QString& port) {
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i) {
            if (dialog.List()->topLevelItem(i)->text(D::kColumnPort) == port)
                return dialog.List()->topLevelItem(i);
        }
        ADD_FAILURE() << "no row for " << port.toStdString();
        static QTreeWidgetItem none;
        return &none;
    }
    QStringList Column(D& dialog, int column) {
        QStringList texts;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            texts.append(dialog.List()->topLevelItem(i)->text(column));
        return texts;
    }
    void Start(D& dialog) { QTest::mouseClick(dialog.Control(D::IDC_START), Qt::LeftButton); }

    // Calls `action` with the row's port and column texts whenever a row changes.
    void OnRowChange(D& dialog, std::function<void(const QString&, int, const QString&)> action) {
        QObject::connect(dialog.List()->model(), &QAbstractItemModel::dataChanged, &dialog,
                         [&dialog, action](const QModelIndex& from, const QModelIndex& to) {
                             for (int c = from.column(); c <= to.column(); ++c) {
                                 QTreeWidgetItem* row = dialog.List()->topLevelItem(from.row());
                                 action(row->text(D::kColumnPort), c, row->text(c));
                             }
                         });
    }
};

// Rows follow the system's ports in text order, each port once, new rows ticked.
TEST_F(DeviceSearchDlgTest, ListsEveryPortOnceInTextOrder) {
    ports = {"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyS1", "/dev/ttyS2"};
    D dialog(nullptr);
    EXPECT_EQ(Column(dialog, D::kColumnPort),
              (QStringList{"/dev/ttyS1", "/dev/ttyS10", "/dev/ttyS2"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(List(dialog)->topLevelItem(i)->checkState(0), Qt::Checked);
        EXPECT_EQ(List(dialog)->topLevelItem(i)->data(0, Qt::UserRole).toInt(), -1);
    }
    const int w = List(dialog)->width() - 2 * List(dialog)->frameWidth();
    EXPECT_EQ(
        List(dialog)->columnWidth(0) + List(dialog)->columnWidth(1) + List(dialog)->columnWidth(2),
        w)
        << "the columns fill the list";

    // A tick drops the vanished port, selected or not, and adds the new one.
    List(dialog)->setCurrentItem(Row(dialog, "/dev/ttyS10"));
    ports = {"/dev/ttyS2", "/dev/ttyS0", "/dev/ttyS1"};
    dialog.OnTimer();
    EXPECT_EQ(Column(dialog, D::kColumnPort),
              (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}));
}

TEST_F(DeviceSearchDlgTest, EmptyListOnlyTogglesTheButtons) {
    D dialog(nullptr);
    dialog.show();
    EXPECT_TRUE(dialog.Control(D::IDC_START)->isEnabled());
    EXPECT_FALSE(dialog.Control(D::IDC_STOP)->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), dialog.Control(D::IDC_START));
    Start(dialog);
    EXPECT_TRUE(dialog.Control(D::IDC_START)->isEnabled());
    EXPECT_FALSE(dialog.Control(D::IDC_STOP)->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(boxes.Shown().empty());
}

// A device at 115200 is found after every lower rate was shown; an empty port gets seven
// probes; a port held elsewhere shows why and the search goes on.
TEST_F(DeviceSearchDlgTest, SearchesEveryTickedPortAtEverySpeed) {
    scanner_sim::Scanner fast(AtSpeed(6));
    scanner_sim::Scanner held(AtSpeed(2));
    PtyPair empty;
    ports = {Port("COM3", empty.SlavePath()), Port("COM1", fast.SlavePath()),
             Port("COM2", held.SlavePath())};
    CComDevice holder;
    ASSERT_TRUE(holder.Open(held.SlavePath(), 9600, 100));

    D dialog(nullptr);
    dialog.show();
    std::map<QString, QStringList> speedsShown;
    bool stopEnabledDuringSearch = false;
    OnRowChange(dialog, [&](const QString& port, int column, const QString& text) {
        if (column == D::kColumnSpeed && !text.isEmpty()) speedsShown[port].append(text);
        stopEnabledDuringSearch =
            dialog.Control(D::IDC_STOP)->isEnabled() && !dialog.Control(D::IDC_START)->isEnabled();
    });
    Start(dialog);

    EXPECT_TRUE(stopEnabledDuringSearch);
    EXPECT_EQ(speedsShown[ports[1]],
              (QStringList{"2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(Row(dialog, ports[1])->text(D::kColumnState), "Ручной сканер \"Tovald HD\"");
    EXPECT_EQ(Row(dialog, ports[1])->data(0, Qt::UserRole).toInt(), 6);

    EXPECT_EQ(Row(dialog, ports[2])->text(D::kColumnState), "COM-порт занят другим приложением");
    EXPECT_EQ(Row(dialog, ports[2])->text(D::kColumnSpeed), "");
    EXPECT_EQ(held.RequestCount(), 0u);

    EXPECT_EQ(Row(dialog, ports[0])->text(D::kColumnState), "Не обнаружено");
    EXPECT_EQ(Row(dialog, ports[0])->text(D::kColumnSpeed), "115200");
    EXPECT_EQ(Row(dialog, ports[0])->data(0, Qt::UserRole).toInt(), -1);
    EXPECT_EQ(speedsShown[ports[0]].size(), 7);

    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
    EXPECT_TRUE(dialog.Control(D::IDC_START)->isEnabled());
    EXPECT_FALSE(dialog.Control(D::IDC_STOP)->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), dialog.Control(D::IDC_START));

    // Accepting the found row hands over its port and speed.
    List(dialog)->setCurrentItem(Row(dialog, ports[1]));
    List(dialog)->setFocus();
    QTest::keyClick(List(dialog), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FoundPort(), ports[1].toStdString());
    EXPECT_EQ(dialog.FoundSpeedIndex(), 6);
}

TEST_F(DeviceSearchDlgTest, UntickedRowsAreOnlyReset) {
    scanner_sim::Scanner device;
    ports = {Port("COM1", device.SlavePath()), Missing("COM2")};
    D dialog(nullptr);
    dialog.show();
    // The boxes are usable from the keyboard: Space toggles the current row's.
    List(dialog)->setFocus();
    List(dialog)->setCurrentItem(List(dialog)->topLevelItem(0));
    QTest::keyClick(List(dialog), Qt::Key_Space);
    EXPECT_EQ(List(dialog)->topLevelItem(0)->checkState(0), Qt::Unchecked);
    List(dialog)->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    for (int i = 0; i < 2; ++i) {
        List(dialog)->topLevelItem(i)->setText(D::kColumnSpeed, "9600");
        List(dialog)->topLevelItem(i)->setText(D::kColumnState, "old");
    }
    Start(dialog);
    EXPECT_EQ(Column(dialog, D::kColumnSpeed), (QStringList{"", ""}));
    EXPECT_EQ(Column(dialog, D::kColumnState), (QStringList{"", ""}));
    EXPECT_EQ(device.RequestCount(), 0u);
}

// Stop while the second speed is tried: the row says so, later rows stay untouched, no box.
TEST_F(DeviceSearchDlgTest, StopLeavesSearchStoppedInTheCurrentRow) {
    PtyPair empty;
    scanner_sim::Scanner later;
    const QStringList names = {Port("COM1", empty.SlavePath()), Port("COM2", later.SlavePath())};
    ports = names;
    D dialog(nullptr);
    dialog.show();
    OnRowChange(dialog, [&](const QString&, int column, const QString& text) {
        if (column == D::kColumnSpeed && text == "4800") {
            ports.clear();
            dialog.OnTimer();  // the rows stay while the search runs
            QTest::mouseClick(dialog.Control(D::IDC_STOP), Qt::LeftButton);
        }
    });
    Start(dialog);
    EXPECT_EQ(Row(dialog, names[0])->text(D::kColumnState), "Поиск остановлен");
    EXPECT_EQ(Row(dialog, names[0])->text(D::kColumnSpeed), "4800");
    EXPECT_EQ(Row(dialog, names[1])->text(D::kColumnState), "");
    EXPECT_EQ(later.RequestCount(), 0u);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
    EXPECT_TRUE(dialog.isVisible()) << "a plain stop keeps the dialog open";
    dialog.OnTimer();
    EXPECT_EQ(List(dialog)->topLevelItemCount(), 0);
}

TEST_F(DeviceSearchDlgTest, EscDuringASearchStopsItThenCancels) {
    PtyPair empty;
    ports = {Port("COM1", empty.SlavePath())};
    D dialog(nullptr);
    dialog.show();
    bool visibleAfterEsc = false;
    OnRowChange(dialog, [&](const QString&, int column, const QString& text) {
        if (column == D::kColumnSpeed && text == "2400") {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            visibleAfterEsc = dialog.isVisible();
        }
    });
    Start(dialog);
    EXPECT_TRUE(visibleAfterEsc) << "the close waits for the search to end";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Row(dialog, ports[0])->text(D::kColumnState), "Поиск остановлен");
    EXPECT_TRUE(boxes.Shown().empty());
}

// A double-click on the found row while the next port is searched ends the search, then the
// dialog, with that row.
TEST_F(DeviceSearchDlgTest, DoubleClickDuringASearchAcceptsAfterIt) {
    scanner_sim::Scanner device(AtSpeed(1));
    PtyPair empty;
    ports = {Port("COM1", device.SlavePath()), Port("COM2", empty.SlavePath())};
    D dialog(nullptr);
    dialog.show();
    OnRowChange(dialog, [&](const QString& port, int column, const QString& text) {
        if (port == ports[1] && column == D::kColumnSpeed && text == "2400") {
            const QRect rect = List(dialog)->visualItemRect(Row(dialog, ports[0]));
            // What the window system delivers: press, release, double-click, release.
            QWidget* viewport = List(dialog)->viewport();
            QTest::mouseClick(viewport, Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, rect.center());
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, rect.center());
        }
    });
    Start(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FoundPort(), ports[0].toStdString());
    EXPECT_EQ(dialog.FoundSpeedIndex(), 1);
    EXPECT_EQ(Row(dialog, ports[1])->text(D::kColumnState), "Поиск остановлен");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DeviceSearchDlgTest, DoubleClickBelowTheRowsAcceptsTheSelectedRow) {
    ports = {"/dev/ttyS0", "/dev/ttyS1"};
    D dialog(nullptr);
    dialog.show();
    List(dialog)->setCurrentItem(List(dialog)->topLevelItem(1));
    QWidget* viewport = List(dialog)->viewport();
    const QPoint below(viewport->width() / 2, viewport->height() - 4);
    ASSERT_EQ(List(dialog)->itemAt(below), nullptr);
    // What the window system delivers: press, release, double-click, release.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, below);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, below);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FoundPort(), "/dev/ttyS1");
}

TEST_F(DeviceSearchDlgTest, OkWithoutASelectedRowCancels) {
    ports = {"/dev/ttyS0"};
    D dialog(nullptr);
    dialog.show();
    List(dialog)->setFocus();
    QTest::keyClick(List(dialog), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    // A row without a device is accepted with -1.
    D second(nullptr);
    second.show();
    second.List()->setCurrentItem(second.List()->topLevelItem(0));
    second.accept();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(second.FoundPort(), "/dev/ttyS0");
    EXPECT_EQ(second.FoundSpeedIndex(), -1);
}

}  // namespace
