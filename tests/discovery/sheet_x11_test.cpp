// The settings sheet's first focus and the device information window's first paint, on a real
// X server with a window manager.

#include <QApplication>
#include <QComboBox>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

#include "discovery/connect_page.h"
#include "discovery/device_info_dlg.h"
#include "discovery/properties.h"
#include "tests/discovery/discovery_fixture.h"
#include "tests/support/sim_port.h"
#include "tests/support/x11_session.h"

namespace {

class SheetX11 : public DiscoveryTest {
protected:
    void SetUp() override {
        DiscoveryTest::SetUp();
        if (!X11SkipReason().empty()) GTEST_SKIP() << X11SkipReason();
    }
};

TEST_F(SheetX11, SheetOpensWithTheFocusOnThePortList) {
    ports = {"/dev/ttyS0", "/dev/ttyS1"};
    bool opened = false;
    QString focused;
    WhenModal<CProperties>([&](CProperties& sheet) {
        opened = true;
        EXPECT_TRUE(QTest::qWaitForWindowActive(&sheet));
        QWidget* widget = QApplication::focusWidget();
        focused = widget == sheet.Page().Control(CConnectPage::IDC_PORT) ? "the port list"
                  : widget ? widget->metaObject()->className()
                           : "nothing";
        sheet.reject();
    });
    RunSettingsSheet(nullptr, "Настройки...", {"/dev/ttyS0", 2, 1000});
    EXPECT_TRUE(opened);
    EXPECT_EQ(focused.toStdString(), "the port list");
}

// Watches a window's paint events: whether the device had been asked anything by the first.
class FirstPaint : public QObject {
public:
    FirstPaint(CDeviceInfoDlg& dialog, SimPort& sim) : m_dialog(dialog), m_sim(sim) {
        dialog.installEventFilter(this);
    }
    bool seen = false;
    bool readBegun = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            // A paint inside the read, or after it has sent its first request, is too late.
            readBegun = m_dialog.IsReading() || m_sim.scanner.RequestCount() > 0;
        }
        return false;
    }

private:
    CDeviceInfoDlg& m_dialog;
    SimPort& m_sim;
};

TEST_F(SheetX11, DeviceInfoWindowIsPaintedBeforeTheReadBegins) {
    SimPort sim;
    CDeviceInfoDlg dialog(sim.protocol, nullptr);
    FirstPaint paint(dialog, sim);
    // A window manager slow to map the window: shown, it cannot be painted for a while.
    WindowManagerHold hold;
    QTimer::singleShot(300, [&hold] { hold.Release(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(paint.seen);
    EXPECT_FALSE(paint.readBegun);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
}

}  // namespace
