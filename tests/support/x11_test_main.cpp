// GoogleTest main for the suites that need a real X server: starts a private one with a window
// manager, then runs the tests on Qt's xcb platform. Listing the tests starts nothing; where the
// session cannot start, the tests run on the offscreen platform only to be skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "tests/support/x11_session.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<X11Session> session;
    if (GTEST_FLAG_GET(list_tests)) {
        X11SkipReason() = "only listing";
    } else {
        session = std::make_unique<X11Session>();
        X11SkipReason() = session->Error();
    }
    if (X11SkipReason().empty()) {
        qputenv("DISPLAY", session->DisplayName().c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The private display has no session bus; without this D-Bus would try to launch one
        // on it (a daemon that outlives the test).
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
