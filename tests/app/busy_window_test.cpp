// The only thread may wait seconds for a silent device; the window must not look hung meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "device/com_device.h"
#include "device/device_exceptions.h"
#include "tests/support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

class PaintClock : public QWidget {
public:
    Clock::time_point lastPaint{};

protected:
    void paintEvent(QPaintEvent*) override { lastPaint = Clock::now(); }
};

}  // namespace

TEST(BusyWindow, RepaintsWhileTheChannelWaitsForASilentDevice) {
    PaintClock window;
    window.resize(100, 80);
    window.show();
    QApplication::processEvents();

    PtyPair pty;
    CComDevice port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), 9600, 1500));
    std::atomic<Clock::rep> exposedAt{0};
    std::thread exposer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        exposedAt = Clock::now().time_since_epoch().count();
        // What an expose from the window system amounts to: the window asks to be painted.
        QMetaObject::invokeMethod(
            &window, [&] { window.update(); }, Qt::QueuedConnection);
    });
    const Clock::time_point waitStart = Clock::now();
    window.lastPaint = {};
    EXPECT_THROW(port.ReadByte(), CDeviceException);
    const Clock::time_point waitEnd = Clock::now();
    exposer.join();

    const Clock::time_point exposed{Clock::duration(exposedAt.load())};
    ASSERT_GT(window.lastPaint, waitStart) << "not painted while the device was silent";
    EXPECT_LT(window.lastPaint, waitEnd);
    // The channel looks after the windows every 40 ms; a loaded machine may add to that.
    EXPECT_LT(window.lastPaint - exposed, std::chrono::milliseconds(400));
}
