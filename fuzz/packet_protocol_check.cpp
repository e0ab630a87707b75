// The input: the command, the answer length (255 included, which no frame can carry), up to three
// parameter bytes, then the bytes the device sends back, played to the protocol as they come
// (up to the first busy answer).
#include <algorithm>
#include <vector>

#include "device/packet_protocol.h"
#include "fuzz/checks.h"
#include "fuzz/fake_channel.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/property.h"
#include "tools/scanner-sim/frame_parser.h"

namespace {

constexpr size_t kGuard = 64;
constexpr uint8_t kUnwritten = 0xA5;

bool IsResultCode(int32_t result) {
    return (result >= RESULT_OK && result <= 255) || result == RESULT_NO_LINK ||
           result == RESULT_BAD_LENGTH;
}

bool AllUnwritten(const uint8_t* begin, size_t length) {
    return std::all_of(begin, begin + length, [](uint8_t b) { return b == kUnwritten; });
}

// Every attempt sent the whole request frame; there were one to three of them.
size_t Attempts(const ByteVector& written, const ByteVector& frame) {
    if (written.empty() || written.size() % frame.size() != 0) return 0;
    for (size_t i = 0; i < written.size(); i += frame.size()) {
        if (!std::equal(frame.begin(), frame.end(), written.begin() + i)) return 0;
    }
    return written.size() / frame.size();
}

// A busy answer (start, length, echo, status 2, ...) makes the protocol pause 60 ms before its
// next attempt. The stream is cut before the first one so that runs stay fast; the pause and
// the retry are covered by the protocol's own tests.
std::string_view BeforeFirstBusyAnswer(std::string_view stream, uint8_t command) {
    for (size_t i = 0; i + 3 < stream.size(); ++i) {
        if (uint8_t(stream[i]) == 0x02 && uint8_t(stream[i + 2]) == command &&
            uint8_t(stream[i + 3]) == STATUS_BUSY) {
            return stream.substr(0, i);
        }
    }
    return stream;
}

}  // namespace

void CheckPacketProtocol(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t command = in.Byte();
    const uint32_t answerLength = in.Byte();
    const std::string_view paramText = in.Bytes(in.Byte() % 4);
    const ByteVector params(paramText.begin(), paramText.end());
    const std::string_view stream = BeforeFirstBusyAnswer(in.Rest(), command);
    const auto* streamBytes = reinterpret_cast<const uint8_t*>(stream.data());

    PlaybackChannel channel(streamBytes, stream.size());
    CDeviceProtocol protocol;
    protocol.Attach(&channel);
    std::vector<uint8_t> buffer(kGuard + answerLength + kGuard, kUnwritten);
    uint8_t* answer = buffer.data() + kGuard;
    const int32_t result = protocol.Transact(command, answer, answerLength, params.data(),
                                             static_cast<uint32_t>(params.size()));

    Require(IsResultCode(result), "every transaction ends with a result code");
    Require(AllUnwritten(buffer.data(), kGuard) && AllUnwritten(answer + answerLength, kGuard),
            "nothing is written outside the answer buffer");
    if (answerLength > 254) {
        Require(result == STATUS_BAD_PARAMETERS && channel.Written().empty(),
                "an answer no frame can carry is refused before anything is sent");
        return;
    }
    if (result != RESULT_OK) {
        Require(AllUnwritten(answer, answerLength), "the answer is written only on success");
    }

    ByteVector request(1 + params.size(), command);
    std::copy(params.begin(), params.end(), request.begin() + 1);
    const size_t attempts = Attempts(channel.Written(), scanner_sim::BuildFrame(request));
    Require(attempts >= 1 && attempts <= 3,
            "each of at most three attempts sends the whole request");
    Require(result != RESULT_NO_LINK || attempts == 3, "no link is declared after three attempts");

    if (result == RESULT_OK) {
        // The answer is the data of the frame just read: echo, status 0, data, check byte.
        const size_t end = channel.Consumed() - 1;
        Require(end >= answerLength + 2 && streamBytes[end - answerLength - 2] == command &&
                    streamBytes[end - answerLength - 1] == RESULT_OK &&
                    std::equal(answer, answer + answerLength, streamBytes + end - answerLength),
                "a successful answer is the data of the frame that carried it");
    }
}
