// The running simulator behind Scanner: the serving thread and the state it shares with the
// controls. One mutex guards the device, the faults, the link and the observer; another
// serialises writes to the line. Only the serving thread reads the line or closes it while it
// runs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "tools/scanner-sim/device_model.h"
#include "tools/scanner-sim/fault_plan.h"
#include "tools/scanner-sim/frame_parser.h"
#include "tools/scanner-sim/pty_port.h"
#include "tools/scanner-sim/request_log.h"
#include "tools/scanner-sim/scanner.h"

namespace scanner_sim {

// How long a write waits for room in the program's receive queue before dropping bytes.
inline constexpr auto kWritePatience = std::chrono::milliseconds(200);

class Scanner::Impl {
public:
    explicit Impl(const Config& config);
    ~Impl() { Stop(); }

    void Stop();
    void Vanish();
    bool LinkTo(const std::string& path);
    void WriteStale(const Bytes& bytes);
    uint32_t LineBaud();
    double NowMs() const;

    const Config config_;
    const std::chrono::steady_clock::time_point start_;
    PtyPort pty_;
    const std::string slavePath_;
    RequestLog log_;

    std::mutex mutex_;  // everything below
    DeviceModel device_;
    FaultPlan faults_;
    std::function<void(const Request&)> observer_;

private:
    void Serve();
    void HandleFrame(const Frame& frame);
    Bytes Respond(const Frame& frame, double nowMs, Request& request);
    void Send(const Bytes& wire, double fromMs, uint32_t baud);
    void CloseLine();
    void RemoveLink();

    std::string linkPath_;
    std::mutex writeMutex_;
    std::condition_variable vanished_;
    bool vanishRequested_ = false;
    bool lineClosed_ = false;  // by the serving thread, on request
    std::atomic<bool> closed_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace scanner_sim
