#include "discovery/properties.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "discovery/connect_page.h"
#include "tests/discovery/discovery_fixture.h"

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

}  // namespace
