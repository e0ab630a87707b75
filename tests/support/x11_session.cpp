#include "tests/support/x11_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

constexpr auto kStartLimit = std::chrono::seconds(15);

// The full path of `program` on PATH, or empty.
std::string FindOnPath(const std::string& program) {
    const char* path = ::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// Runs `args` with `display` as DISPLAY (when given), output discarded, `keepFd` left open. The
// child dies with the test process, so a crashed test leaves no server behind.
pid_t Spawn(const std::vector<std::string>& args, const std::string& display, int keepFd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

void Terminate(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

bool Exited(pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == pid; }

X11Session* g_current = nullptr;

}  // namespace

std::string& X11SkipReason() {
    static std::string reason;
    return reason;
}

X11Session::X11Session() {
    Start();
    if (!Ok())
        Stop();
    else
        g_current = this;
}

X11Session::~X11Session() {
    if (g_current == this) g_current = nullptr;
    Stop();
}

X11Session* X11Session::Current() { return g_current; }

void X11Session::HoldWindowManager(bool hold) {
    if (m_manager > 0) ::kill(m_manager, hold ? SIGSTOP : SIGCONT);
}

void X11Session::Start() {
    const std::string server = FindOnPath("Xvfb");
    const std::string manager = FindOnPath("openbox");
    if (server.empty() || manager.empty()) {
        m_error = std::string(server.empty() ? "Xvfb" : "openbox") +
                  " is not installed (scripts/install-deps installs it)";
        return;
    }
    char dir[] = "/tmp/veltor-x11-XXXXXX";
    if (!::mkdtemp(dir)) {
        m_error = "no temporary directory";
        return;
    }
    m_dir = dir;

    // Xvfb picks a free display itself and writes its number to the pipe once it accepts clients.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_error = "no pipe";
        return;
    }
    m_server = Spawn({server, "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                      "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                     {}, pipeFds[1]);
    ::close(pipeFds[1]);
    std::string number;
    pollfd readable{pipeFds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&readable, 1, 15000) > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipeFds[0]);
    if (number.empty()) {
        m_error = "Xvfb did not start";
        return;
    }
    m_display = std::stoi(number);

    // The window manager runs its start-up command once it manages the screen.
    const std::string ready = m_dir + "/ready";
    m_manager = Spawn({manager, "--sm-disable", "--startup", "touch " + ready}, DisplayName());
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!std::filesystem::exists(ready)) {
        if (Exited(m_manager) || std::chrono::steady_clock::now() > deadline) {
            m_manager = -1;
            m_error = "openbox did not start on " + DisplayName();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void X11Session::Stop() {
    HoldWindowManager(false);
    Terminate(m_manager);
    Terminate(m_server);
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
}
