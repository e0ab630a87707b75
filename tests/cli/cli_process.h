#pragma once
// veltor-cli run as a child process, as a shell would run it: arguments, its own environment,
// standard output and error collected, signals sent, the exit status read.

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class CliProcess {
public:
    // `stderrTerminal`: standard error is a pseudo-terminal (where the transfer bar is drawn).
    explicit CliProcess(const std::vector<std::string>& args, bool stderrTerminal = false,
                        const std::vector<std::string>& env = {}) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        if (stderrTerminal ? ::openpty(&err[0], &err[1], nullptr, nullptr, nullptr) != 0
                           : ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
            std::vector<char*> argv{const_cast<char*>(VELTOR_CLI_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_readers.emplace_back([this, fd = out[0]] { Drain(fd, m_out); });
        m_readers.emplace_back([this, fd = err[0]] { Drain(fd, m_err); });
    }
    ~CliProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        for (auto& reader : m_readers) reader.join();
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Signal(int sig) const { ::kill(m_pid, sig); }

    // The exit status (128 + signal for a child a signal killed); -1 when it ran over 60 s.
    int Wait() {
        if (m_pid <= 0) return m_status;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int raw = 0;
        while (::waitpid(m_pid, &raw, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &raw, 0);
                m_pid = -1;
                return m_status = -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_pid = -1;
        for (auto& reader : m_readers) reader.join();
        m_readers.clear();
        return m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }

    const std::string& Out() const { return m_out; }
    const std::string& Err() const { return m_err; }

private:
    static void Drain(int fd, std::string& into) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            into.append(buffer, static_cast<size_t>(n));
        ::close(fd);
    }

    pid_t m_pid = -1;
    int m_status = -1;
    std::string m_out;
    std::string m_err;
    std::vector<std::thread> m_readers;
};

// Runs to the end and gives the exit status.
struct CliRun {
    explicit CliRun(const std::vector<std::string>& args, bool stderrTerminal = false,
                    const std::vector<std::string>& env = {})
        : process(args, stderrTerminal, env), status(process.Wait()) {}
    CliProcess process;
    int status;
};
