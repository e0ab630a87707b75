// veltor-cli from a shell's point of view:
//   a. search over 1, 4 and 8 ports where nothing answers: wall time of the whole command next to
//      one port's time (the ports are searched side by side; target ratio <= 1.1);
//   b. snapshot of a 640 x 480 JPEG at 115200 (line paced): payload rate of the image blocks next
//      to the wire bound of 128-byte reads, and the whole command's time.
// A plain program with its own clock: each figure is one run of the real executable.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/build_description.h"
#include "bench/wire_bound.h"
#include "device/baud_rate.h"
#include "device/device_commands.h"
#include "device/packet_protocol.h"
#include "tests/cli/cli_process.h"
#include "tests/support/pty_pair.h"
#include "tools/scanner-sim/scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

void Figure(const char* name, double value, const char* unit, double reference,
            const char* target) {
    std::printf("%-44s %10.2f %-6s reference %10.2f %-6s ratio %6.3f  %s\n", name, value, unit,
                reference, unit, value / reference, target);
}

double Run(const std::vector<std::string>& args, int expectedStatus) {
    const auto start = Clock::now();
    CliRun run(args);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (run.status != expectedStatus)
        throw std::runtime_error("veltor-cli exited with " + std::to_string(run.status) + ": " +
                                 run.process.Err());
    return seconds;
}

double SearchSilentPorts(int count) {
    std::vector<std::unique_ptr<PtyPair>> ports;
    std::vector<std::string> args{"search"};
    for (int i = 0; i < count; ++i) {
        ports.push_back(std::make_unique<PtyPair>());
        args.push_back("--port");
        args.push_back(ports.back()->SlavePath());
    }
    return Run(args, 3);
}

void Search() {
    const double one = SearchSilentPorts(1);
    Figure("a. search, 1 silent port", one, "s", 2.1, "(protocol bound: 7 speeds x 3 x 100 ms)");
    for (const int count : {4, 8}) {
        char name[64];
        std::snprintf(name, sizeof name, "a. search, %d silent ports", count);
        Figure(name, SearchSilentPorts(count), "s", one, "(one port's time; target ratio <= 1.1)");
    }
}

void Snapshot() {
    std::ifstream in(VELTOR_SAMPLES_DIR "/testcard-640x480.jpg", std::ios::binary);
    scanner_sim::Bytes image(std::istreambuf_iterator<char>(in), {});
    if (image.empty()) throw std::runtime_error("no sample image");
    scanner_sim::Config config;
    config.pacing = true;
    config.images = {image};
    scanner_sim::Scanner scanner(config);
    const std::string out = "/tmp/veltor-cli-bench-" + std::to_string(::getpid()) + ".jpg";
    const double whole = Run(
        {"--port", scanner.SlavePath(), "--speed", "2", "--timeout", "1000", "snapshot", "-o", out},
        0);
    std::ifstream written(out, std::ios::binary);
    const scanner_sim::Bytes got(std::istreambuf_iterator<char>(written), {});
    std::remove(out.c_str());
    if (got != image) throw std::runtime_error("the file differs from the image served");

    // From the first image block's request to the last one's: every block but the last.
    double first = -1;
    double last = 0;
    uint64_t blocks = 0;
    for (const auto& r : scanner.Log()) {
        if (r.command != CMD_READ_MEMORY || r.params.size() != 5 || r.params[4] != kMemoryChunk)
            continue;
        if (first < 0) first = r.timeMs;
        last = r.timeMs;
        ++blocks;
    }
    const double seconds = (last - first) / 1000;
    const double bound = BlockPayloadRate(kMemoryChunk);
    std::printf(
        "b. image: %zu-byte JPEG 640x480; whole command %.2f s (link check, speed raise "
        "and restore, leave included)\n",
        image.size(), whole);
    Figure("b. snapshot payload rate at 115200 (paced)",
           double(blocks - 1) * kMemoryChunk / seconds, "B/s", bound,
           "(wire bound; target ratio >= 0.97)");
}

}  // namespace

int main() {
    PrintBuildDescription();
    try {
        Search();
        Snapshot();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cli_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
