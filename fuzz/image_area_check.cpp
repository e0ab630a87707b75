// The input is the device's image area: signature, header length, state and command registers,
// the request fields, the image size word and the image. The device behind the channel answers
// state and memory requests from it and acknowledges every command at once.
#include <algorithm>
#include <optional>

#include "core/run_loop.h"
#include "device/device_commands.h"
#include "device/device_exceptions.h"
#include "device/image_area.h"
#include "fuzz/checks.h"
#include "fuzz/fake_channel.h"
#include "fuzz/property.h"

namespace {

constexpr size_t kMaxArea = 16 * 1024;
constexpr int kRequestBudget = 400;  // then the device falls silent, which ends any polling
constexpr uint32_t kCommandOffset = 7;
constexpr uint32_t kRequestEnd = 20;
constexpr uint8_t kStatusBadParameters = STATUS_BAD_PARAMETERS;
constexpr uint8_t kStatusNotSupported = STATUS_NOT_SUPPORTED;
constexpr uint8_t kStatusOutOfRange = STATUS_ADDRESS_OUT_OF_RANGE;

uint32_t Le(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

class AreaDevice {
public:
    AreaDevice(const uint8_t* data, size_t size) : m_area(data, data + std::min(size, kMaxArea)) {}

    const ByteVector& Area() const { return m_area; }
    bool WritesStayedInTheRequest() const { return m_writesInside; }

    // The header length word, once the area is long enough to hold it.
    uint32_t HeaderLength() const { return m_area.size() >= 6 ? Le(&m_area[4], 2) : 0; }

    std::optional<ByteVector> Answer(const ByteVector& request) {
        if (++m_requests > kRequestBudget) return std::nullopt;
        const uint8_t command = request[0];
        const ByteVector params(request.begin() + 1, request.end());
        switch (command) {
            case CMD_GET_INFO: return ByteVector{command, 0, 0, 0, 0, 0, 151};
            case CMD_STATE: return State(command, params);
            case CMD_READ_MEMORY: return ReadMemory(command, params);
            case CMD_WRITE_MEMORY: return WriteMemory(command, params);
            default: return ByteVector{command, kStatusNotSupported};
        }
    }

private:
    ByteVector State(uint8_t command, const ByteVector& params) {
        if (params.size() == 4) std::copy(params.begin(), params.end(), m_state);
        if (!params.empty()) return ByteVector{command, 0};
        return ByteVector{command, 0, m_state[0], m_state[1], m_state[2], m_state[3]};
    }

    // Offset of `length` bytes at the request's address inside the area, if they fit.
    std::optional<size_t> Offset(const ByteVector& params, size_t length) const {
        const uint32_t address = Le(params.data(), 4);
        if (address < kImageAreaBase) return std::nullopt;
        const size_t offset = address - kImageAreaBase;
        if (offset > m_area.size() || length > m_area.size() - offset) return std::nullopt;
        return offset;
    }

    ByteVector ReadMemory(uint8_t command, const ByteVector& params) {
        if (params.size() != 5) return {command, kStatusBadParameters};
        auto offset = Offset(params, params[4]);
        if (!offset) return {command, kStatusOutOfRange};
        ByteVector answer{command, 0};
        answer.insert(answer.end(), m_area.begin() + *offset, m_area.begin() + *offset + params[4]);
        return answer;
    }

    ByteVector WriteMemory(uint8_t command, const ByteVector& params) {
        if (params.size() < 5) return {command, kStatusBadParameters};
        const size_t length = params.size() - 4;
        auto offset = Offset(params, length);
        if (!offset) return {command, kStatusOutOfRange};
        // The command byte is always writable; the request fields only as far as the header goes.
        const size_t end =
            std::max<size_t>(kCommandOffset + 1, std::min(HeaderLength(), kRequestEnd));
        m_writesInside = m_writesInside && *offset >= kCommandOffset && *offset + length <= end;
        std::copy(params.begin() + 4, params.end(), m_area.begin() + *offset);
        if (*offset == kCommandOffset) Acknowledge();
        return {command, 0};
    }

    // Done at once: the command byte reads 0x80, the state byte 1 for a request and 0 for a leave.
    void Acknowledge() {
        m_area[kCommandOffset - 1] = m_area[kCommandOffset] == 0x01 ? 1 : 0;
        m_area[kCommandOffset] = 0x80;
    }

    ByteVector m_area;
    uint8_t m_state[4] = {};
    int m_requests = 0;
    bool m_writesInside = true;
};

// A wait clock on which every look at the time is a millisecond later, so polls never sleep.
const WaitClock& InstantClock() {
    static uint32_t now = 0;
    static const WaitClock clock{[] { return ++now; }, [](uint32_t) {}};
    return clock;
}

void Acquire(CDeviceProtocol& protocol, const AreaDevice& device) {
    CheckImageSupport(protocol);
    LeaveImageLoad(protocol);
    RequestImage(protocol, ImageParameters{1, 320, 240, 1, 90});
    const uint32_t headerLength = device.HeaderLength();
    const ImageLocation where = LocateImage(protocol);
    const ByteVector& area = device.Area();
    Require(where.address == kImageAreaBase + headerLength + 4 &&
                where.size == Le(&area[headerLength], 4) && where.size <= kMaxImageSize,
            "the image lies after the header and its size word, as long as the word says");

    const size_t offset = where.address - kImageAreaBase;
    if (where.size > area.size() - std::min(offset, area.size())) return;
    ByteVector image(where.size);
    CheckStatus(protocol.ReadMemory(where.address, image.data(), where.size, nullptr, nullptr,
                                    kMemoryChunk));
    Require(std::equal(image.begin(), image.end(), area.begin() + offset),
            "the image read is the device's image");
}

}  // namespace

void CheckImageArea(const uint8_t* data, size_t size) {
    ScopedWaitClock clock(InstantClock());
    AreaDevice device(data, size);
    DeviceChannel channel([&device](const ByteVector& request) { return device.Answer(request); });
    CDeviceProtocol protocol;
    protocol.Attach(&channel);
    try {
        Acquire(protocol, device);
    } catch (const test_exception& e) {
        Require(!e.description().empty(), "every failure says what failed");
    }
    Require(device.WritesStayedInTheRequest(),
            "writes reach only the command byte and the request fields inside the header");
}
