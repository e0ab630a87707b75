#include "discovery/connect_page.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "device/device_info_text.h"
#include "device/packet_protocol.h"
#include "discovery/device_info_dlg.h"
#include "discovery/device_search_dlg.h"
#include "tests/discovery/discovery_fixture.h"
#include "tests/support/pty_pair.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using P = CConnectPage;

// One tick of the page's own refresh timer.
void Tick(CConnectPage& page) {
    QTimer* timer = page.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    QMetaObject::invokeMethod(timer, "timeout");
}

class ConnectPageTest : public DiscoveryTest {
protected:
    // Shows the page with the members a sheet's owner would give it.
    void Open(const QString& port, int speedIndex = 2, uint32_t timeout = 200) {
        page.SetSettings({port.toStdString(), speedIndex, static_cast<int>(timeout)});
        page.show();
    }
    QComboBox* PortList() { return static_cast<QComboBox*>(page.Control(P::IDC_PORT)); }
    QComboBox* SpeedList() { return static_cast<QComboBox*>(page.Control(P::IDC_SPEED)); }
    QLineEdit* Edit(int id) { return static_cast<QLineEdit*>(page.Control(id)); }
    QStringList PortTexts() {
        QStringList texts;
        for (int i = 0; i < PortList()->count(); ++i) texts.append(PortList()->itemText(i));
        return texts;
    }
    void Click(int id) { QTest::mouseClick(page.Control(id), Qt::LeftButton); }

    P page;
};

TEST_F(ConnectPageTest, AVanishedSelectedPortStaysUntilAnotherIsChosen) {
    ports = {"/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyS0"};
    Open("/dev/ttyUSB0");
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(PortList()->currentText(), "/dev/ttyUSB0");
    EXPECT_EQ(SpeedList()->currentText(), "9600");
    EXPECT_EQ(Edit(P::IDC_TIMEOUT)->text(), "200");

    ports = {"/dev/ttyS0", "/dev/ttyS1"};
    Tick(page);
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(PortList()->currentText(), "/dev/ttyUSB0");

    PortList()->setCurrentIndex(0);
    ports = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"};
    Tick(page);
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}));
    EXPECT_EQ(PortList()->currentText(), "/dev/ttyS0");
}

TEST_F(ConnectPageTest, AStoredPortTheSystemLacksIsNotAdded) {
    ports = {"/dev/ttyS1", "/dev/ttyS0"};
    Open("/dev/ttyACM0", -1);
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_EQ(PortList()->currentText(), "/dev/ttyS1") << "the last port instead";
    EXPECT_EQ(SpeedList()->currentIndex(), -1);

    ports.clear();
    P empty;
    empty.SetSettings({"/dev/ttyS0", 2, 1000});
    empty.show();
    EXPECT_EQ(static_cast<QComboBox*>(empty.Control(P::IDC_PORT))->currentIndex(), -1);
}

// A port turning up in an empty list is not selected; one the user then chose stays chosen
// while others come.
TEST_F(ConnectPageTest, APortAppearingInAnEmptyListIsNotSelected) {
    Open("");
    ports = {"/dev/ttyUSB0"};
    Tick(page);
    ASSERT_EQ(PortList()->count(), 1);
    EXPECT_EQ(PortList()->currentIndex(), -1);
    ports = {"/dev/ttyUSB0", "/dev/ttyS0"};
    Tick(page);
    EXPECT_EQ(PortList()->currentIndex(), -1);

    PortList()->setCurrentIndex(PortList()->findText("/dev/ttyUSB0"));
    ports = {"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"};
    Tick(page);
    EXPECT_EQ(PortList()->currentText(), "/dev/ttyUSB0");
}

TEST_F(ConnectPageTest, TicksWhileTheListIsOpenChangeNothing) {
    ports = {"/dev/ttyS0"};
    Open("/dev/ttyS0");
    PortList()->showPopup();
    ASSERT_TRUE(PortList()->view()->isVisible());
    ports = {"/dev/ttyS0", "/dev/ttyS1"};
    Tick(page);
    EXPECT_EQ(PortTexts(), QStringList{"/dev/ttyS0"});
    PortList()->hidePopup();
    Tick(page);
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1"}));

    // Ports that appear later take their place in natural order.
    ports = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS10", "/dev/ttyS2"};
    Tick(page);
    EXPECT_EQ(PortTexts(), (QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10"}));
}

TEST_F(ConnectPageTest, TimeOutMustBeANumberFrom100To300000) {
    ports = {"/dev/ttyS0"};
    Open("/dev/ttyS0", 3);
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"99", "Please enter an integer between 100 and 300000."},
        {"300001", "Please enter an integer between 100 and 300000."},
        {"99999999999", "Please enter an integer between 100 and 300000."},
        {"", "Please enter a positive integer."},
        {"100", nullptr},
        {"300000", nullptr},
    };
    for (const auto& c : cases) {
        boxes.Clear();
        Edit(P::IDC_TIMEOUT)->setText(c.text);
        page.Control(P::IDC_CHECK_LINK)->setFocus();
        const bool read = page.ReadBack();
        EXPECT_EQ(read, c.message == nullptr) << c.text;
        if (c.message) {
            ASSERT_EQ(boxes.Shown().size(), 1u) << c.text;
            EXPECT_EQ(boxes.Shown().front().text, c.message);
            EXPECT_EQ(boxes.Shown().front().icon, MsgIcon::Warning);
            EXPECT_EQ(page.focusWidget(), Edit(P::IDC_TIMEOUT)) << c.text;
        } else {
            EXPECT_TRUE(boxes.Shown().empty()) << c.text;
            EXPECT_EQ(page.Settings().timeoutMs, QByteArray(c.text).toInt());
        }
    }
    EXPECT_EQ(page.Settings().portName, "/dev/ttyS0");
    EXPECT_EQ(page.Settings().speedIndex, 3);

    // The field takes digits only.
    Edit(P::IDC_TIMEOUT)->clear();
    QTest::keyClicks(Edit(P::IDC_TIMEOUT), "-1a2");
    EXPECT_EQ(Edit(P::IDC_TIMEOUT)->text(), "12");
}

TEST_F(ConnectPageTest, CheckLinkNamesTheDeviceOrSaysNotFound) {
    scanner_sim::Scanner device;
    PtyPair empty;
    ports = {Port("COM1", device.SlavePath()), Port("COM2", empty.SlavePath())};
    Open(ports[0], 2, 100);
    Click(P::IDC_CHECK_LINK);
    EXPECT_EQ(Edit(P::IDC_DEVICE)->text(), "Ручной сканер \"Tovald HD\"");

    PortList()->setCurrentIndex(1);
    Click(P::IDC_CHECK_LINK);
    EXPECT_EQ(Edit(P::IDC_DEVICE)->text(), "Не обнаружено");
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();

    // A port that cannot be opened is reported and leaves the field as it was.
    ports.append(Missing("COM3"));
    Tick(page);
    PortList()->setCurrentIndex(2);
    Click(P::IDC_CHECK_LINK);
    EXPECT_EQ(boxes.Texts(), QStringList{"COM-порт не доступен"});
    EXPECT_EQ(Edit(P::IDC_DEVICE)->text(), "Не обнаружено");
}

// The page talks at the old speed; how the device is moved is the link's business.
TEST_F(ConnectPageTest, SetSpeedMovesTheDeviceAndTakesItsSpeed) {
    scanner_sim::Scanner device;
    ports = {Port("COM1", device.SlavePath())};
    Open(ports[0], 2);

    // A refused time-out takes none of the values, so the next try still starts at the old speed.
    SpeedList()->setCurrentIndex(6);
    Edit(P::IDC_TIMEOUT)->setText("99");
    Click(P::IDC_SET_SPEED);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(page.Settings().speedIndex, 2);
    boxes.Clear();

    Edit(P::IDC_TIMEOUT)->setText("200");
    Click(P::IDC_SET_SPEED);
    EXPECT_EQ(device.BaudIndex(), 6);
    EXPECT_EQ(page.Settings().speedIndex, 6);
    EXPECT_EQ(device.Log().front().lineBaud, 9600u) << "the old speed was used first";
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
}

TEST_F(ConnectPageTest, SearchTakesOverTheChosenRowAndChecksTheLink) {
    scanner_sim::Scanner device;
    ports = {Port("COM1", Missing("none").toStdString()), Port("COM2", device.SlavePath())};
    Open(ports[0], 0);
    WhenModal<CDeviceSearchDlg>([&](CDeviceSearchDlg& search) {
        search.List()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        QTest::mouseClick(search.Control(CDeviceSearchDlg::IDC_START), Qt::LeftButton);
        search.List()->setCurrentItem(search.List()->topLevelItem(1));
        search.accept();
    });
    Click(P::IDC_SEARCH);
    EXPECT_EQ(PortList()->currentText(), ports[1]);
    EXPECT_EQ(SpeedList()->currentIndex(), 2);
    EXPECT_EQ(Edit(P::IDC_DEVICE)->text(), "Ручной сканер \"Tovald HD\"");
    EXPECT_EQ(page.Settings().speedIndex, 2);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();

    // A row without a device changes nothing and checks nothing.
    PortList()->setCurrentIndex(0);
    SpeedList()->setCurrentIndex(0);
    Edit(P::IDC_DEVICE)->clear();
    const size_t requests = device.RequestCount();
    WhenModal<CDeviceSearchDlg>([](CDeviceSearchDlg& search) {
        search.List()->setCurrentItem(search.List()->topLevelItem(1));
        search.accept();
    });
    Click(P::IDC_SEARCH);
    EXPECT_EQ(PortList()->currentIndex(), 0);
    EXPECT_EQ(SpeedList()->currentIndex(), 0);
    EXPECT_EQ(Edit(P::IDC_DEVICE)->text(), "");
    EXPECT_EQ(device.RequestCount(), requests);
}

TEST_F(ConnectPageTest, DetailsShowTheInformationBox) {
    scanner_sim::Scanner device;
    ports = {Port("COM1", device.SlavePath())};
    Open(ports[0], 2, 200);
    Click(P::IDC_DETAILS);
    ASSERT_EQ(boxes.Shown().size(), 1u) << boxes.Joined();
    EXPECT_EQ(boxes.Shown().front().caption, "Информация об устройстве");
    EXPECT_EQ(boxes.Shown().front().icon, MsgIcon::Information);
    EXPECT_TRUE(boxes.Shown().front().text.startsWith("Тип устройства\t\t\t: Ручной сканер"));
    EXPECT_TRUE(boxes.Shown().front().text.contains("Заводской номер\t\t\t: 12345678\r\n"));

    // Stopped: neither an error nor the information is shown.
    boxes.Clear();
    WhenModal<CDeviceInfoDlg>([](CDeviceInfoDlg& info) { info.reject(); });
    Click(P::IDC_DETAILS);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
}

// Every field is named by its label (less the colon), which is its buddy; the buttons by their
// captions.
TEST_F(ConnectPageTest, ControlsCarryTheirCaptionsForAssistiveTools) {
    Open("");
    int buddies = 0;
    for (QLabel* label : page.findChildren<QLabel*>()) {
        if (!label->buddy()) continue;
        ++buddies;
        EXPECT_EQ(label->buddy()->accessibleName() + ":", label->text());
    }
    EXPECT_EQ(buddies, 4);
    const auto buttons = page.findChildren<QPushButton*>();
    EXPECT_EQ(buttons.size(), 4);
    for (QPushButton* button : buttons) EXPECT_EQ(button->accessibleName(), button->text());

    CDeviceSearchDlg search(&page);
    EXPECT_FALSE(search.List()->accessibleDescription().isEmpty());
}

}  // namespace
