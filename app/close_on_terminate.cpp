#include "app/close_on_terminate.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>

namespace {

// The signal handler may only write to a descriptor; the event loop reads the other end.
int g_pipe[2] = {-1, -1};

void OnTerminate(int) {
    const int saved = errno;
    const char byte = 1;
    if (write(g_pipe[1], &byte, 1) < 0) {
        // The pipe is full: a close is pending already.
    }
    errno = saved;
}

}  // namespace

CloseOnTerminate::CloseOnTerminate(QWidget& window) : m_window(window) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { OnSignal(); });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = sigaction(SIGTERM, &action, &m_previous) == 0;
}

CloseOnTerminate::~CloseOnTerminate() {
    if (m_installed) sigaction(SIGTERM, &m_previous, nullptr);
    m_notifier.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

void CloseOnTerminate::OnSignal() {
    char byte;
    while (read(g_pipe[0], &byte, 1) > 0) {
    }
    signal(SIGTERM, SIG_DFL);
    m_window.close();
}
