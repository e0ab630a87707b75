#pragma once
// SIGTERM (a session that ends, a service manager, `kill`) closes the window the way its close
// button does, so the settings are saved, instead of ending the program on the spot.

#include <csignal>
#include <memory>

class QSocketNotifier;
class QWidget;

// While it lives, the first SIGTERM closes `window`; the handler is then put back to the default,
// so a second SIGTERM ends a program that cannot close (a question box waiting for its answer).
// One at a time; the previous handler returns when it is destroyed.
class CloseOnTerminate {
public:
    explicit CloseOnTerminate(QWidget& window);
    ~CloseOnTerminate();
    CloseOnTerminate(const CloseOnTerminate&) = delete;
    CloseOnTerminate& operator=(const CloseOnTerminate&) = delete;

private:
    void OnSignal();

    QWidget& m_window;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous {};
    bool m_installed = false;
};
