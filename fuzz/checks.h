#pragma once
// Property checks over arbitrary bytes, one per fuzz target. Each runs the code under test on the
// input and throws PropertyViolation when that code breaks one of its promises; the refusals the
// code is allowed to make (a false result, a result code, a test_exception) are outcomes, not
// violations. The libFuzzer targets and the corpus replay test call these same functions.

#include <cstddef>
#include <cstdint>

// Settings file: a write is refused exactly when the format cannot hold it, an accepted value
// reads back identical, and every line the write did not touch stays byte for byte.
void CheckIniFile(const uint8_t* data, size_t size);

// Image decoding: no crash, the input is left alone, a failure leaves a null image, and an
// accepted image has the promised format and size with every pixel written.
void CheckImageDecoder(const uint8_t* data, size_t size);

// Frame reception (CDeviceProtocol::Transact) over a channel that plays back the input: every
// byte sequence ends the transaction with a result code, the answer buffer is written only on
// success and never past its end, and every attempt sends the whole request.
void CheckPacketProtocol(const uint8_t* data, size_t size);

// The image area protocol against a device whose image area holds the input: failures are
// test_exceptions with a text, writes stay within the request fields of the header, and a located
// image lies after the header as its size word says.
void CheckImageArea(const uint8_t* data, size_t size);

// The simulator's frame parser over timed bytes: every frame it returns is exactly the bytes
// that made it, and every well-formed frame that starts while it is idle comes out whole.
void CheckFrameParser(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;  // the folder of its corpus and the name of its dictionary
    void (*check)(const uint8_t* data, size_t size);
};

inline constexpr FuzzTarget kFuzzTargets[] = {
    {"ini_file", CheckIniFile},
    {"image_decoder", CheckImageDecoder},
    {"packet_protocol", CheckPacketProtocol},
    {"image_area", CheckImageArea},
    {"frame_parser", CheckFrameParser},
};
