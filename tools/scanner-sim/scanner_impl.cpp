#include "tools/scanner-sim/scanner_impl.h"

#include <sys/prctl.h>

#include <algorithm>

namespace scanner_sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr uint8_t kBusy = 2;

}  // namespace

Scanner::Impl::Impl(const Config& config)
    : config_(config),
      start_(Clock::now()),
      slavePath_(pty_.SlavePath()),
      log_(config.logCapacity),
      device_(config) {
    thread_ = std::thread([this] { Serve(); });
}

double Scanner::Impl::NowMs() const {
    return std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
}

void Scanner::Impl::Serve() {
    FrameParser parser(config_.frameGapMs);
    Bytes incoming;
    // Paced bytes are timed in tens of microseconds; the default 50 us sleep slack would show.
    if (config_.pacing) ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (!stopping_) {
        {
            std::lock_guard lock(mutex_);
            if (vanishRequested_ && !lineClosed_) {
                CloseLine();
                lineClosed_ = true;
                vanished_.notify_all();
            }
        }
        incoming.clear();
        if (!pty_.Read(incoming, kPollInterval)) {
            std::this_thread::sleep_for(kPollInterval);
            continue;
        }
        double now = NowMs();
        uint32_t lineBaud = incoming.empty() ? 0 : pty_.LineBaud();
        for (uint8_t byte : incoming) {
            if (auto frame = parser.Feed(byte, now, lineBaud)) HandleFrame(*frame);
        }
        parser.Expire(NowMs());
    }
}

void Scanner::Impl::HandleFrame(const Frame& frame) {
    double arrivedMs = NowMs();
    if (config_.pacing && frame.lineBaud > 0) {
        // The request is complete only once its last byte could have crossed the line.
        double frameMs = (frame.payload.size() + 3) * 10000.0 / frame.lineBaud;
        arrivedMs = std::max(arrivedMs, frame.startMs + frameMs);
        std::this_thread::sleep_until(start_ +
                                      std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double, std::milli>(arrivedMs)));
    }
    Request request;
    Bytes wire;
    std::function<void(const Request&)> observer;
    {
        std::lock_guard lock(mutex_);
        device_.Update(arrivedMs);
        request.timeMs = frame.startMs;
        request.lineBaud = frame.lineBaud;
        request.deviceBaud = BaudOfIndex(device_.BaudIndex());
        if (!frame.payload.empty()) {
            request.command = frame.payload[0];
            request.params.assign(frame.payload.begin() + 1, frame.payload.end());
        }
        wire = Respond(frame, arrivedMs, request);
        observer = observer_;
    }
    uint32_t answerBaud = request.deviceBaud;
    log_.Add(request);
    if (observer) observer(request);
    if (!wire.empty()) Send(wire, arrivedMs, answerBaud);
}

// Decides the answer (the bytes to send, possibly none) and notes it in the request.
Bytes Scanner::Impl::Respond(const Frame& frame, double nowMs, Request& request) {
    if (!frame.checkOk) {
        request.note = "bad check byte in request";
        return {};
    }
    if (frame.lineBaud != request.deviceBaud) {
        request.note = "wrong speed";
        return {};
    }
    if (!device_.Answering(nowMs)) {
        request.note = "changing mode";
        return {};
    }
    Fault fault = faults_.Next(request.command);
    request.note = FaultName(fault.kind);
    if (fault.kind == FaultKind::kSilent) return {};
    if (fault.kind == FaultKind::kRawAnswer) return fault.raw;

    Bytes payload{request.command};
    if (fault.kind == FaultKind::kBusy || fault.kind == FaultKind::kStatus) {
        request.status = fault.kind == FaultKind::kBusy ? kBusy : fault.status;
        payload.push_back(static_cast<uint8_t>(request.status));
        return BuildFrame(payload);
    }
    Answer answer = device_.Execute(request.command, request.params, nowMs);
    request.status = answer.status;
    payload.push_back(answer.status);
    payload.insert(payload.end(), answer.data.begin(), answer.data.end());
    switch (fault.kind) {
        case FaultKind::kWrongEcho: payload[0] ^= 0x01; break;
        case FaultKind::kEchoOnly: payload.resize(1); break;
        case FaultKind::kExtraByte:
            // A full-size answer cannot grow; it loses a byte instead, which is just as wrong.
            if (payload.size() < 256)
                payload.push_back(0x5A);
            else
                payload.pop_back();
            break;
        default: break;
    }
    Bytes wire = BuildFrame(payload);
    if (fault.kind == FaultKind::kBadCheck) wire.back() ^= 0xFF;
    return wire;
}

// Without pacing the answer goes out at once; with it, each byte leaves no earlier than a line
// at `baud` would have carried it, counted from `fromMs`.
void Scanner::Impl::Send(const Bytes& wire, double fromMs, uint32_t baud) {
    if (!config_.pacing || baud == 0) {
        std::lock_guard lock(writeMutex_);
        pty_.Write(wire.data(), wire.size(), kWritePatience);
        return;
    }
    const double byteMs = 10000.0 / baud;
    std::size_t sent = 0;
    while (sent < wire.size() && !stopping_) {
        double now = NowMs();
        auto due = static_cast<std::size_t>((now - fromMs) / byteMs);
        if (due > wire.size()) due = wire.size();
        if (due > sent) {
            std::lock_guard lock(writeMutex_);
            pty_.Write(wire.data() + sent, due - sent, kWritePatience);
            sent = due;
            continue;
        }
        // Wake about once a millisecond rather than once a byte, but exactly for the last byte.
        double lastMs = fromMs + wire.size() * byteMs;
        double nextMs = std::min(lastMs, std::max(fromMs + (sent + 1) * byteMs, now + 1.0));
        std::this_thread::sleep_until(start_ +
                                      std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double, std::milli>(nextMs)));
    }
}

}  // namespace scanner_sim
