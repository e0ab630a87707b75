#include "device/image_area.h"

#include <algorithm>

#include "core/run_loop.h"
#include "core/string_table.h"
#include "device/device_commands.h"
#include "device/link_control.h"

namespace {

// Offsets in the image area.
constexpr uint32_t kHeaderLengthOffset = 4;
constexpr uint32_t kImageStateOffset = 6;
constexpr uint32_t kCommandOffset = 7;
constexpr uint32_t kFullRequestEnd = 20;  // the request fields end here
constexpr uint16_t kMinHeaderLength = kCommandOffset + 1;

constexpr uint8_t kCommandLeave = 0x00;
constexpr uint8_t kCommandRequest = 0x01;
constexpr uint8_t kCommandDone = 0x80;
constexpr uint8_t kStateLeft = 0;
constexpr uint8_t kStateReady = 1;
constexpr uint32_t kPollMs = 10;

constexpr uint8_t kMemoryBits = 0x10;       // cleared before device memory is read
constexpr uint8_t kSelectAtmegaBit = 0x20;  // clear: the image processor is selected

void ReadArea(CDeviceProtocol& protocol, uint32_t offset, uint8_t* buffer, uint32_t length) {
    CheckStatus(protocol.ReadMemory(kImageAreaBase + offset, buffer, length, nullptr, nullptr,
                                    kMemoryChunk));
}

void WriteArea(CDeviceProtocol& protocol, uint32_t offset, const uint8_t* data, uint32_t length) {
    CheckStatus(protocol.WriteMemory(kImageAreaBase + offset, data, length, nullptr, nullptr,
                                     kMemoryChunk));
}

// The header length, refused when it leaves no room for the command byte.
uint16_t HeaderLength(const uint8_t* header) {
    const uint16_t length = static_cast<uint16_t>(header[0] | header[1] << 8);
    if (length < kMinHeaderLength)
        throw test_exception(FormatText(IDS_BAD_HEADER_LENGTH, static_cast<unsigned>(length)));
    return length;
}

struct RegisterPoll {
    CDeviceProtocol* protocol;
    uint32_t offset;
    uint8_t expected;
};

bool RegisterReads(void* context) {
    auto& poll = *static_cast<RegisterPoll*>(context);
    uint8_t value = 0;
    ReadArea(*poll.protocol, poll.offset, &value, 1);
    return value == poll.expected;
}

// Polls one byte of the area every 10 ms until it reads `expected`; only a stop ends it early.
void WaitForRegister(CDeviceProtocol& protocol, uint32_t offset, uint8_t expected) {
    RegisterPoll poll{&protocol, offset, expected};
    WaitUntil(RegisterReads, &poll, kPollMs, kWaitForever);
}

void PutLe16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

void CheckImageSupport(CDeviceProtocol& protocol) {
    ChangeMode(protocol, kModeWorking);
    uint8_t state[4];
    CheckStatus(protocol.GetState(state));
    state[0] &= static_cast<uint8_t>(~(kMemoryBits | kSelectAtmegaBit));
    SetStateVerified(protocol, state);

    uint8_t signature[4];
    ReadArea(protocol, 0, signature, 4);
    const bool tagged = signature[1] == 0x47 && signature[2] == 0x4D && signature[3] == 0x49;
    const uint8_t version = signature[0];
    if (!tagged || version < '0' || version > '9') throw test_exception(IDS_NO_IMAGE_SUPPORT);
    if (version < '2') throw test_exception(IDS_UPDATE_FIRMWARE);
    if (version > '2') throw test_exception(IDS_UPDATE_PROGRAM);
}

void LeaveImageLoad(CDeviceProtocol& protocol) {
    const uint8_t leave = kCommandLeave;
    WriteArea(protocol, kCommandOffset, &leave, 1);
    WaitForRegister(protocol, kCommandOffset, kCommandDone);
    WaitForRegister(protocol, kImageStateOffset, kStateLeft);
}

void RequestImage(CDeviceProtocol& protocol, const ImageParameters& params) {
    uint8_t header[7];
    ReadArea(protocol, 0, header, 7);
    const uint16_t headerLength = HeaderLength(header + kHeaderLengthOffset);

    uint8_t request[kFullRequestEnd - kCommandOffset] = {kCommandRequest, 0x1F, 0x00, 0x00, 0x00};
    PutLe16(request + 5, static_cast<uint16_t>(params.ImageFormat));
    PutLe16(request + 7, static_cast<uint16_t>(params.ViewWidth));
    PutLe16(request + 9, static_cast<uint16_t>(params.ViewHeight));
    request[11] = params.SubsamplingCoeff;
    request[12] = params.JpegQuality;
    // A shorter header cuts off the trailing fields.
    const uint32_t length = std::min<uint32_t>(headerLength, kFullRequestEnd) - kCommandOffset;
    WriteArea(protocol, kCommandOffset, request, length);

    WaitForRegister(protocol, kCommandOffset, kCommandDone);
    WaitForRegister(protocol, kImageStateOffset, kStateReady);
}

ImageLocation LocateImage(CDeviceProtocol& protocol) {
    uint8_t lengthBytes[2];
    ReadArea(protocol, kHeaderLengthOffset, lengthBytes, 2);
    const uint16_t headerLength = HeaderLength(lengthBytes);

    uint8_t sizeBytes[4];
    ReadArea(protocol, headerLength, sizeBytes, 4);
    const uint32_t size = static_cast<uint32_t>(sizeBytes[0]) | sizeBytes[1] << 8 |
                          sizeBytes[2] << 16 | static_cast<uint32_t>(sizeBytes[3]) << 24;
    if (size > kMaxImageSize) {
        throw test_exception(FormatText(IDS_BAD_IMAGE_SIZE, static_cast<unsigned long>(size),
                                        static_cast<unsigned long>(kMaxImageSize)));
    }
    return {kImageAreaBase + headerLength + 4, size};
}
