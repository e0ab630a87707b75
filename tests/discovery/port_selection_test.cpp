// Which port is selected when nobody chose one: a port that turns up in the connection page's
// empty list, and a double-click below the search list's rows.

#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "discovery/connect_page.h"
#include "discovery/device_search_dlg.h"
#include "tests/discovery/discovery_fixture.h"

namespace {

class PortSelection : public DiscoveryTest {};

TEST_F(PortSelection, APortAppearingInAnEmptyListIsNotSelected) {
    CConnectPage page;
    page.SetSettings({"", 2, 1000});
    page.show();
    auto* list = static_cast<QComboBox*>(page.Control(CConnectPage::IDC_PORT));
    auto tick = [&] { QMetaObject::invokeMethod(page.findChild<QTimer*>(), "timeout"); };

    ports = {"/dev/ttyUSB0"};
    tick();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentIndex(), -1);
    ports = {"/dev/ttyUSB0", "/dev/ttyS0"};
    tick();
    EXPECT_EQ(list->currentIndex(), -1);

    // A port the user chose stays chosen while others come.
    list->setCurrentIndex(list->findText("/dev/ttyUSB0"));
    ports = {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"};
    tick();
    EXPECT_EQ(list->currentText(), "/dev/ttyUSB0");
}

TEST_F(PortSelection, DoubleClickBelowTheRowsAcceptsTheSelectedRow) {
    ports = {"/dev/ttyS0", "/dev/ttyS1"};
    CDeviceSearchDlg dialog(nullptr);
    dialog.show();
    QTreeWidget* list = dialog.List();
    list->setCurrentItem(list->topLevelItem(1));
    QWidget* viewport = list->viewport();
    const QPoint below(viewport->width() / 2, viewport->height() - 4);
    ASSERT_EQ(list->itemAt(below), nullptr);
    // What the window system delivers: press, release, double-click, release.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, below);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, below);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.FoundPort(), "/dev/ttyS1");
}

}  // namespace
