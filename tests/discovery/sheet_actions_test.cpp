// The settings sheet while one of its page's device actions waits on the device, handling events
// meanwhile: the other actions, OK, Cancel, Esc and the close box do nothing until it is over.

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "discovery/connect_page.h"
#include "discovery/device_search_dlg.h"
#include "discovery/properties.h"
#include "tests/discovery/discovery_fixture.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using P = CConnectPage;

class SheetActions : public DiscoveryTest {};

TEST_F(SheetActions, NothingElseActsWhileSetSpeedWaits) {
    scanner_sim::Scanner device;
    ports = {Port("COM1", device.SlavePath())};
    bool searchOpened = false;
    QPointer<QTimer> searchWatch = WhenModal<CDeviceSearchDlg>([&](CDeviceSearchDlg& search) {
        searchOpened = true;
        search.reject();
    });
    bool actionRunning = false;
    bool openDuringAction = false;
    bool openAfterAction = false;
    WhenModal<CProperties>([&](CProperties& sheet) {
        auto click = [](QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); };
        // The first moment events are handled again is the wait for the device's new speed.
        QTimer::singleShot(0, &sheet, [&] {
            actionRunning = QApplication::overrideCursor() != nullptr;
            for (int id : {P::IDC_SEARCH, P::IDC_DETAILS, P::IDC_CHECK_LINK, P::IDC_SET_SPEED})
                click(sheet.Page().Control(id));
            click(sheet.Buttons()->button(QDialogButtonBox::Ok));
            click(sheet.Buttons()->button(QDialogButtonBox::Cancel));
            QTest::keyClick(&sheet, Qt::Key_Escape);
            sheet.close();
            openDuringAction = sheet.isVisible();
        });
        static_cast<QComboBox*>(sheet.Page().Control(P::IDC_SPEED))->setCurrentIndex(3);
        click(sheet.Page().Control(P::IDC_SET_SPEED));
        openAfterAction = sheet.isVisible();
        click(sheet.Buttons()->button(QDialogButtonBox::Cancel));
    });
    EXPECT_EQ(RunSettingsSheet(nullptr, "Настройки...", {ports[0].toStdString(), 2, 1000}),
              std::nullopt);
    EXPECT_TRUE(actionRunning) << "the clicks came after the action";
    EXPECT_TRUE(openDuringAction);
    EXPECT_TRUE(openAfterAction);
    EXPECT_FALSE(searchOpened);
    delete searchWatch.data();
    EXPECT_EQ(device.BaudIndex(), 3);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
}

}  // namespace
