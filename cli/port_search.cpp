#include "cli/port_search.h"

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>

#include "core/exception_text.h"
#include "core/run_loop.h"
#include "device/baud_rate.h"
#include "device/com_device.h"
#include "device/device_commands.h"
#include "device/device_exceptions.h"
#include "device/packet_protocol.h"

namespace {

constexpr uint32_t kProbeTimeoutMs = 100;  // every probe, as in the window's search
constexpr uint32_t kPollMs = 5;

struct PortTask {
    PortSearchResult result;
    std::atomic<bool> done{false};
    std::thread thread;
};

// One port at the seven speeds, lowest first, until a device answers. Runs on its own thread:
// nothing here may pump messages (a probe never does).
void SearchOnePort(PortSearchResult& result, const std::atomic<bool>& stop) {
    try {
        CComDevice port;
        if (!port.Open(result.port, BaudIndexToRate(kFallbackBaudIndex), kProbeTimeoutMs)) {
            const int error = port.LastError();
            result.state =
                error == EBUSY ? PortSearchResult::State::Busy : PortSearchResult::State::Failed;
            result.error = com_port_exception::FromErrno(error).description();
            return;
        }
        CDeviceProtocol protocol;
        protocol.Attach(&port);
        for (uint8_t index = 0; index < kBaudIndexCount && !stop; ++index) {
            port.SetBaudRate(BaudIndexToRate(index));
            if (Ping(protocol, &result.deviceCode)) {
                result.state = PortSearchResult::State::Found;
                result.speedIndex = index;
                return;
            }
        }
        result.state = PortSearchResult::State::Absent;
    } catch (...) {
        result.state = PortSearchResult::State::Failed;
        result.error = DescribeCurrentException().value_or(std::string());
    }
}

}  // namespace

std::vector<PortSearchResult> SearchPorts(const std::vector<std::string>& ports,
                                          void (*onReady)(const PortSearchResult&)) {
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<PortTask>> tasks;
    // Every thread is joined on every way out, a stop included.
    struct Joiner {
        std::vector<std::unique_ptr<PortTask>>& tasks;
        std::atomic<bool>& stop;
        ~Joiner() {
            stop = true;
            for (auto& task : tasks)
                if (task->thread.joinable()) task->thread.join();
        }
    } joiner{tasks, stop};

    for (const std::string& port : ports) {
        auto task = std::make_unique<PortTask>();
        task->result.port = port;
        PortTask* raw = task.get();
        tasks.push_back(std::move(task));
        raw->thread = std::thread([raw, &stop] {
            SearchOnePort(raw->result, stop);
            raw->done = true;
        });
    }

    size_t reported = 0;
    WaitUntil(
        [&] {
            while (reported < tasks.size() && tasks[reported]->done) {
                if (onReady) onReady(tasks[reported]->result);
                ++reported;
            }
            return reported == tasks.size();
        },
        kPollMs, kWaitForever);

    std::vector<PortSearchResult> results;
    for (auto& task : tasks) results.push_back(task->result);
    return results;
}
