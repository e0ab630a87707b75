// veltor-scanner-sim: a simulated scanner on a pseudo-terminal, for the demo and for use by hand.
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include "tools/scanner-sim/scanner.h"
#include "tools/scanner-sim/sim_options.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;  // no SA_RESTART: poll returns at once
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void PrintRequest(const scanner_sim::Request& r) {
    std::string params;
    for (uint8_t b : r.params) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        params += hex;
    }
    if (params.size() > 60) params = params.substr(0, 57) + " ...";
    std::fprintf(stderr, "%10.1f ms  line %6u  device %6u  cmd %3u [%s ]  status %d%s%s\n",
                 r.timeMs, r.lineBaud, r.deviceBaud, r.command, params.c_str(), r.status,
                 r.note.empty() ? "" : "  ", r.note.c_str());
}

void ShowState(const scanner_sim::Scanner& scanner) {
    auto s = scanner.State();
    std::printf("state %02X %02X %02X %02X  mode %d  speed index %d  requests %zu  trigger %d\n",
                s[0], s[1], s[2], s[3], scanner.Mode(), scanner.BaudIndex(), scanner.RequestCount(),
                scanner.TriggerPressed() ? 1 : 0);
    std::fflush(stdout);
}

// Carries out one command line; false for quit.
bool RunCommand(const std::string& line, scanner_sim::Scanner& scanner) {
    if (line == "q") return false;
    if (line == "t") {
        scanner.PressTrigger();
    } else if (line == "c") {
        scanner.SetTriggerPressed(false);
    } else if (line == "s") {
        ShowState(scanner);
    } else if (!line.empty()) {
        std::fprintf(stderr, "commands: t (trigger), c (clear trigger), s (state), q (quit)\n");
    }
    return true;
}

// Serves until a signal, q, or (without standard input) forever.
void ServeCommands(scanner_sim::Scanner& scanner, bool readStdin) {
    std::string pending;
    while (!g_stop) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!readStdin) {
            ::poll(nullptr, 0, 200);
            continue;
        }
        if (::poll(&p, 1, 200) <= 0) continue;
        char buffer[256];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            readStdin = false;  // end of input: no more commands, keep serving
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (!RunCommand(line, scanner)) return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    scanner_sim::SimOptions options;
    std::string error;
    if (!scanner_sim::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "veltor-scanner-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(scanner_sim::kUsage, stdout);
        return 0;
    }
    InstallSignals();
    try {
        scanner_sim::Scanner scanner(options.config);
        if (!options.linkPath.empty() && !scanner.LinkTo(options.linkPath)) {
            std::fprintf(stderr, "veltor-scanner-sim: cannot make the link %s\n",
                         options.linkPath.c_str());
            return 1;
        }
        if (options.verbose) scanner.SetRequestObserver(PrintRequest);
        std::printf("%s\n", scanner.SlavePath().c_str());
        std::fflush(stdout);
        ServeCommands(scanner, options.readStdin);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltor-scanner-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
