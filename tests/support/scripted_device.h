#pragma once
// A device played by a script: every complete request frame that arrives on the pty is recorded
// and answered with the next queued answer (raw bytes, sent as they are), or not at all.

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "device/com_device.h"
#include "device/packet_protocol.h"
#include "tests/support/pty_pair.h"
#include "tools/scanner-sim/frame_parser.h"

class ScriptedDevice {
public:
    using Bytes = std::vector<uint8_t>;
    using Clock = std::chrono::steady_clock;

    ScriptedDevice() : m_thread([this] { Serve(); }) {}
    ~ScriptedDevice() {
        m_stop = true;
        m_thread.join();
    }

    const std::string& SlavePath() const { return m_pty.SlavePath(); }

    // Queues raw bytes as the answer to one future request.
    void Answer(Bytes raw) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(std::move(raw));
    }
    // Queues a well-formed frame around `payload`.
    void AnswerPayload(const Bytes& payload) { Answer(scanner_sim::BuildFrame(payload)); }

    // Writes bytes to the line now, unasked; returns once they wait in the program's input queue.
    void SendNow(const Bytes& bytes) { m_pty.SendQueued(bytes); }

    std::vector<Bytes> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    std::vector<Clock::time_point> RequestTimes() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }

private:
    void Serve() {
        Bytes pending;
        while (!m_stop) {
            Bytes in = m_pty.Receive(1, 10);
            pending.insert(pending.end(), in.begin(), in.end());
            while (TakeFrame(pending)) {
            }
        }
    }

    // Removes one complete frame from the front of `pending` and answers it.
    bool TakeFrame(Bytes& pending) {
        while (!pending.empty() && pending[0] != 0x02) pending.erase(pending.begin());
        if (pending.size() < 2) return false;
        const size_t n = pending[1] == 0 ? 256 : pending[1];
        if (pending.size() < n + 3) return false;
        Bytes frame(pending.begin(), pending.begin() + static_cast<long>(n + 3));
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(n + 3));
        Bytes answer;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(frame);
            m_times.push_back(Clock::now());
            if (!m_answers.empty()) {
                answer = std::move(m_answers.front());
                m_answers.pop_front();
            }
        }
        if (!answer.empty()) m_pty.Send(answer);
        return true;
    }

    PtyPair m_pty;
    mutable std::mutex m_mutex;
    std::deque<Bytes> m_answers;
    std::vector<Bytes> m_requests;
    std::vector<Clock::time_point> m_times;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;  // last: starts after everything it uses exists
};

// A scripted device with the program's own channel and protocol on it.
struct ScriptedPort {
    ScriptedPort() {
        if (!port.Open(device.SlavePath(), 115200, 100))
            throw std::runtime_error("cannot open the scripted device's port");
        protocol.Attach(&port);
    }

    ScriptedDevice device;
    CComDevice port;
    CDeviceProtocol protocol;
};
