// The simulated scanner: the device end of the serial line, served on a pseudo-terminal.
//
// A Scanner creates a pseudo-terminal pair when it is constructed and serves the master side on
// its own thread until Stop() or destruction; the program under test opens SlavePath() like any
// serial port. Every control below is thread-safe and may be used while the program talks to it.
// Timed behaviour (mode changes, speed switches, image readiness) is measured on the steady clock
// from the request that started it.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scanner_sim {

using Bytes = std::vector<uint8_t>;
using StateWord = std::array<uint8_t, 4>;

inline constexpr uint32_t kIdentityAddress = 0xFD0000;
inline constexpr uint32_t kImageAreaAddress = 0x01000000;

// Line speed of a speed index 0..6 (2400 ... 115200); 0 for any other index.
uint32_t BaudOfIndex(int index);

// The two answer words of information selector 1, per processor and mode.
struct ProcessorVersions {
    uint16_t loaderVersion = 0;    // loader mode, word 0
    uint16_t hardwareVersion = 0;  // loader mode, word 1
    uint16_t firmwareVersion = 0;  // working mode, word 0
    uint16_t extendedVersion = 0;  // working mode, word 1
};

struct Config {
    uint8_t deviceCode = 151;
    int baudIndex = 2;           // speed index the device listens at, 0..6
    bool hasBaudCommand = true;  // false: command 161 answers status 8
    // A new speed takes effect this long after the request. A little under the 50 ms the program
    // waits, so that its millisecond clock and the line's latency never make the two race.
    int baudSwitchDelayMs = 40;
    // Initial state word. Bit 1 of bytes 0 and 1: mode (1 loader, 0 working program);
    // bit 5 of byte 0: 1 ATmega selected, 0 Blackfin; bit 7 of byte 3: loader ready.
    StateWord initialState{0, 0, 0, 0};
    // Bits the device flips in every state word written to it (to model a device that alters
    // bits on its own); zero for a device that keeps what it is given.
    StateWord stateWriteXor{0, 0, 0, 0};
    // After a mode request (which is itself answered) nothing is answered for this long.
    int modeChangeSilenceMs = 0;
    int modeChangeBaudIndex = -1;      // >= 0: after a mode change the device listens at this index
    int loaderReadyDelayMs = 0;        // bit 7 of byte 3 is set this long after loader mode starts
    bool workingProgramStarts = true;  // false: a request for mode 0 leaves it in loader mode
    ProcessorVersions atmega{0x0103, 0x0200, 0x0207, 0x0000};
    ProcessorVersions blackfin{0x0105, 0x0301, 0x020A, 0x0004};
    // Identity block at kIdentityAddress: serial 12345678, date 01.01.2011, extra word 0.
    std::array<uint8_t, 8> identityBlock{0x4E, 0x61, 0xBC, 0x00, 0x21, 0x3E, 0x00, 0x00};

    // Image area at kImageAreaAddress.
    char imageInterfaceVersion = '2';
    std::array<uint8_t, 3> signatureTag{0x47, 0x4D, 0x49};
    uint16_t headerLength = 20;
    int commandAckDelayMs = 0;   // Command reads back 0x80 this long after it was written
    int imageReadyDelayMs = 0;   // ImageState becomes 1 this long after a request
    std::vector<Bytes> images;   // served in turn, one per request; empty: generated BMPs
    int defaultImageWidth = 64;  // generated size when the request gives -1 (or 0)
    int defaultImageHeight = 48;

    bool pacing = false;  // hold every byte to the line rate (10 bits per byte)
    // Oldest requests (and image command writes) are dropped beyond this, so that a long run
    // keeps to a bounded memory.
    std::size_t logCapacity = 100000;
    int frameGapMs = 50;  // an incomplete frame is dropped after this long without bytes
};

// One request frame the device received (or the garbage it could make a frame of).
struct Request {
    double timeMs = 0;        // arrival of its first byte, since the scanner started
    uint32_t lineBaud = 0;    // speed the program had set on the line when it arrived
    uint32_t deviceBaud = 0;  // speed the device was listening at
    uint8_t command = 0;      // payload byte 0 (0 for an empty payload)
    Bytes params;             // payload bytes after the command
    int status = -1;          // status answered, or -1 when nothing usable was answered
    std::string note;         // why it was not answered or which fault was applied; empty if none
};

// One write that reached the image area's Command byte: the bytes written from Command on.
struct ImageCommandWrite {
    uint8_t command = 0;
    Bytes bytes;
};

class Scanner {
public:
    // Creates the pseudo-terminal and starts serving. Throws std::system_error on failure.
    explicit Scanner(Config config = {});
    ~Scanner();  // Stop()
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // Stops the serving thread, closes the pseudo-terminal and removes a link it made.
    // Idempotent; SlavePath() still names the (now gone) device afterwards.
    void Stop();

    const std::string& SlavePath() const;
    // Makes a symbolic link at path to the slave (replacing an existing symbolic link only).
    bool LinkTo(const std::string& path);

    // Trigger.
    void PressTrigger();
    void SetTriggerPressed(bool pressed);
    bool TriggerPressed() const;

    // Requests received, oldest first.
    std::vector<Request> Log() const;
    std::size_t RequestCount() const;  // requests received since start or the last ClearLog
    void ClearLog();
    // Waits until RequestCount() >= count; false when the time-out passed first.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Called on the serving thread for every request, after it was answered (or not).
    void SetRequestObserver(std::function<void(const Request&)> observer);

    // Device state, as the device would report it now.
    StateWord State() const;
    void SetState(const StateWord& state);  // sets the word directly, no mode change
    int Mode() const;                       // 0 working program, 1 loader
    int BaudIndex() const;                  // speed index the device listens at
    uint32_t LineBaud() const;              // speed the program has set on the line

    // Image area.
    void SetImages(std::vector<Bytes> images);
    void SetImageInterface(char version, std::array<uint8_t, 3> tag);
    std::vector<ImageCommandWrite> ImageCommandWrites() const;  // the latest logCapacity
    int ImagesServed() const;                                   // images made ready so far

    // Fault injection. Counting faults apply to the next n requests the device understands
    // (right speed, valid frame, not silent). Busy and injected statuses refuse the command;
    // the other answer faults carry the command out and spoil only the answer.
    void InjectBusy(int n);             // status 2
    void InjectBadCheck(int n);         // answer with a wrong check byte
    void InjectWrongEcho(int n);        // answer echoing another command code
    void InjectEchoOnly(int n);         // answer payload is the echo byte alone
    void InjectExtraAnswerByte(int n);  // one answer byte too many
    // Writes these bytes to the line at once, so they wait in the program's receive queue.
    void InjectStaleBytes(const Bytes& bytes);
    // Answers `command` with `status` count times (-1: always), after letting `skip` such
    // requests pass normally.
    void InjectStatus(uint8_t command, uint8_t status, int count, int skip = 0);
    // The next understood request is answered with exactly these bytes (nothing else is sent).
    void InjectRawAnswer(const Bytes& bytes);
    void GoSilentAfter(int requests);  // answer this many more requests, then none
    void GoSilent(bool silent);
    void ClearFaults();
    // Closes the pseudo-terminal and removes the link: the port disappears under the program.
    void Vanish();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace scanner_sim
