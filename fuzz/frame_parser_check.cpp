// The input is a sequence of (delay in ms, byte) pairs: each byte reaches the parser that long
// after the one before it. An incomplete frame is dropped after a 50 ms gap.
#include <algorithm>
#include <optional>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/property.h"
#include "tools/scanner-sim/frame_parser.h"

namespace {

constexpr double kGapMs = 50;
constexpr uint8_t kStart = 0x02;
constexpr size_t kNone = SIZE_MAX;

struct Arrival {
    uint8_t byte;
    double ms;
};

// True when no gap between arrivals first..last is longer than the parser tolerates.
bool Unbroken(const std::vector<Arrival>& line, size_t first, size_t last) {
    for (size_t i = first + 1; i <= last; ++i) {
        if (line[i].ms - line[i - 1].ms > kGapMs) return false;
    }
    return true;
}

uint8_t CheckByte(const std::vector<Arrival>& line, size_t lengthAt, size_t n) {
    uint8_t check = line[lengthAt].byte;
    for (size_t i = lengthAt + 1; i <= lengthAt + n; ++i) check ^= line[i].byte;
    return check;
}

// A frame returned at arrival `end` is exactly the start, length, payload and check bytes
// before it, with no gap among them.
void RequireMadeOfItsBytes(const scanner_sim::Frame& frame, const std::vector<Arrival>& line,
                           size_t end) {
    const size_t n = frame.payload.size();
    Require(n >= 1 && n <= 256 && end >= n + 2, "a frame holds 1 to 256 payload bytes");
    const size_t start = end - n - 2;
    bool same = line[start].byte == kStart && line[start + 1].byte == static_cast<uint8_t>(n);
    for (size_t i = 0; i < n && same; ++i) same = line[start + 2 + i].byte == frame.payload[i];
    Require(same, "a frame is the start byte, its length, then its payload");
    Require(frame.checkOk == (line[end].byte == CheckByte(line, start + 1, n)),
            "the check result is whether the check byte matches");
    Require(frame.startMs == line[start].ms && frame.lineBaud == start,
            "a frame carries the time and line speed of its start byte");
    Require(Unbroken(line, start, end), "a frame never spans a gap");
}

// Where a well-formed frame beginning at `start` ends, when all of it arrives without a gap.
std::optional<size_t> CompleteFrameEnd(const std::vector<Arrival>& line, size_t start) {
    if (line[start].byte != kStart || start + 1 >= line.size()) return std::nullopt;
    const size_t n = line[start + 1].byte == 0 ? 256 : line[start + 1].byte;
    const size_t end = start + n + 2;
    if (end >= line.size() || !Unbroken(line, start, end)) return std::nullopt;
    return end;
}

}  // namespace

void CheckFrameParser(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::vector<Arrival> line;
    double ms = 0;
    while (!in.Empty()) {
        ms += in.Byte();
        line.push_back({in.Byte(), ms});
    }

    scanner_sim::FrameParser parser(kGapMs);
    size_t due = kNone;  // the arrival at which a frame must come out
    for (size_t i = 0; i < line.size(); ++i) {
        const bool idle = !parser.InFrame() || (i > 0 && line[i].ms - line[i - 1].ms > kGapMs);
        if (idle && due == kNone) due = CompleteFrameEnd(line, i).value_or(kNone);
        auto frame = parser.Feed(line[i].byte, line[i].ms, static_cast<uint32_t>(i));
        if (frame) {
            RequireMadeOfItsBytes(*frame, line, i);
            Require(!parser.InFrame(), "the parser is idle after a frame");
        }
        if (due == i) {
            Require(frame.has_value(),
                    "a well-formed frame that starts while idle comes out whole");
            due = kNone;
        }
    }
}
