#pragma once
// A private X server with a window manager, for the few tests that need what only a real window
// system gives: frames, maximizing, focus and exposure. The X tests' main starts one before it
// creates the QApplication; without Xvfb or the window manager the tests are skipped.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>

class X11Session {
public:
    // Starts Xvfb on a free display and the window manager on it, and waits until the manager
    // runs. On failure Error() says why and nothing is left running.
    X11Session();
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // ":N", for DISPLAY.
    std::string DisplayName() const { return ":" + std::to_string(m_display); }

    // Freezes the window manager, or lets it go on: windows shown meanwhile wait to be mapped,
    // as under a manager that is slow to answer.
    void HoldWindowManager(bool hold);

    // The session this process runs on, if any.
    static X11Session* Current();

private:
    void Start();
    void Stop();

    std::string m_error;
    std::string m_dir;
    int m_display = -1;
    pid_t m_server = -1;
    pid_t m_manager = -1;
};

// Why the X tests cannot run in this process; empty when they can. Set by the X tests' main.
std::string& X11SkipReason();

// Holds the window manager for as long as it lives, unless released earlier.
class WindowManagerHold {
public:
    WindowManagerHold() { X11Session::Current()->HoldWindowManager(true); }
    ~WindowManagerHold() { Release(); }
    WindowManagerHold(const WindowManagerHold&) = delete;
    WindowManagerHold& operator=(const WindowManagerHold&) = delete;
    void Release() { X11Session::Current()->HoldWindowManager(false); }
};

// Base of the X tests: skips each one, with the reason, where the X session could not start.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!X11SkipReason().empty()) GTEST_SKIP() << X11SkipReason();
    }
};
