#include "discovery/device_info_dlg.h"

#include <QLabel>
#include <QTest>

#include "device/packet_protocol.h"
#include "tests/discovery/discovery_fixture.h"
#include "tests/support/pty_pair.h"
#include "tests/support/sim_port.h"

namespace {

class DeviceInfoDlgTest : public DiscoveryTest {};

// A frameless pop-up; Enter is ignored, Esc before the read has begun closes without a request.
TEST_F(DeviceInfoDlgTest, EscBeforeTheStartLeavesTheDeviceAlone) {
    SimPort sim;
    CDeviceInfoDlg dialog(sim.protocol, nullptr);
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(sim.scanner.RequestCount(), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

// The device goes silent for longer than a mode change may take, so only the stop can end
// the read early and without a box.
TEST_F(DeviceInfoDlgTest, EscDuringAModeChangeStopsSilently) {
    scanner_sim::Config config;
    config.modeChangeSilenceMs = 60000;
    SimPort sim(config, 9600, 100);
    CDeviceInfoDlg dialog(sim.protocol, nullptr);
    bool escSent = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The mode request is the first state write.
        for (const auto& request : sim.Requests(CMD_STATE)) {
            if (request.params.size() == 4 && !escSent && dialog.IsReading()) {
                escSent = true;
                QTest::keyClick(&dialog, Qt::Key_Escape);
                EXPECT_TRUE(dialog.isVisible()) << "the dialog waits for the read to unwind";
            }
        }
    });
    poll.start(5);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(escSent);
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Joined();
}

TEST_F(DeviceInfoDlgTest, AFailureIsReportedAndEndsWithCancel) {
    PtyPair nobody;
    CComDevice port;
    ASSERT_TRUE(port.Open(nobody.SlavePath(), 9600, 20));
    CDeviceProtocol protocol;
    protocol.Attach(&port);
    CDeviceInfoDlg dialog(protocol, nullptr);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown().front().text, "(-1) Нет связи");
    EXPECT_EQ(boxes.Shown().front().icon, MsgIcon::Error);
}

}  // namespace
