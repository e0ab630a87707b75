#include "cli/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <csignal>

#include "core/run_loop.h"

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};
std::function<void()> g_onFirst;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Every signal byte is one stop request for the operation that runs now.
void TakeSignals() {
    char bytes[64];
    ssize_t n;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (g_received++ == 0 && g_onFirst) g_onFirst();
            PostStopRequest(0);
        }
    }
}

}  // namespace

void InstallStopSignals(std::function<void()> onFirst) {
    g_onFirst = std::move(onFirst);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    // Owned by the application, so it goes with it.
    auto* notifier =
        new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { TakeSignals(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignalCount() {
    // Signals still in the pipe count as well: one may arrive just before the program ends.
    TakeSignals();
    return g_received;
}
