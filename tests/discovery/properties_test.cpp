#include "discovery/properties.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "discovery/connect_page.h"
#include "discovery/device_search_dlg.h"
#include "tests/discovery/discovery_fixture.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using P = CConnectPage;

class PropertiesSheetTest : public DiscoveryTest {
protected:
    void SetUp() override {
        DiscoveryTest::SetUp();
        ports = {"/dev/ttyS0", "/dev/ttyS1"};
    }
    static QLineEdit* Timeout(CProperties& sheet) {
        return static_cast<QLineEdit*>(sheet.Page().Control(P::IDC_TIMEOUT));
    }
    static void Press(CProperties& sheet, QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(sheet.Buttons()->button(which), Qt::LeftButton);
    }

    const ConnectionSettings given{"/dev/ttyS0", 3, 1000};
};

TEST_F(PropertiesSheetTest, CancelLeavesTheCallersValues) {
    WhenModal<CProperties>([](CProperties& sheet) {
        EXPECT_EQ(sheet.findChild<QTabWidget*>()->count(), 1);
        EXPECT_EQ(sheet.Buttons()->standardButtons(),
                  QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        Timeout(sheet)->setText("5000");
        static_cast<QComboBox*>(sheet.Page().Control(P::IDC_PORT))->setCurrentIndex(1);
        Press(sheet, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(RunSettingsSheet(nullptr, "Настройки...", given), std::nullopt);
}

// A refused time-out keeps the sheet open; once it is fixed, OK hands back all three values,
// -1 for no speed.
TEST_F(PropertiesSheetTest, OkReadsThePageBackAndStaysOpenOnARefusal) {
    bool openAfterRefusal = false;
    WhenModal<CProperties>([&](CProperties& sheet) {
        static_cast<QComboBox*>(sheet.Page().Control(P::IDC_SPEED))->setCurrentIndex(-1);
        static_cast<QComboBox*>(sheet.Page().Control(P::IDC_PORT))->setCurrentIndex(1);
        Timeout(sheet)->setText("99");
        Press(sheet, QDialogButtonBox::Ok);
        openAfterRefusal = sheet.isVisible();
        Timeout(sheet)->setText("250");
        Press(sheet, QDialogButtonBox::Ok);
    });
    const auto chosen = RunSettingsSheet(nullptr, "Настройки...", given);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(boxes.Texts(), QStringList{"Please enter an integer between 100 and 300000."});
    EXPECT_EQ(chosen, (ConnectionSettings{"/dev/ttyS1", -1, 250}));
}

// While one of the page's device actions waits on the device, handling events meanwhile, the
// other actions, OK, Cancel, Esc and the close box do nothing until it is over.
TEST_F(PropertiesSheetTest, NothingElseActsWhileSetSpeedWaits) {
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
