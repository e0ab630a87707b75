#pragma once
// Cooperative message processing for long operations that run inside a user command's handler,
// and the user's stop request that ends them.
//
// A long operation creates an OperationScope, calls PumpMessages (or WaitUntil) at the points
// where it may be stopped, and lets stop_exception unwind it. PostStopRequest is what the Stop
// buttons call. Single thread only: everything here belongs to the GUI thread.

#include <cstdint>
#include <exception>
#include <functional>

// The user's stop; carries the code given to PostStopRequest.
class stop_exception : public std::exception {
public:
    explicit stop_exception(uint32_t code) noexcept : m_code(code) {}
    uint32_t code() const noexcept { return m_code; }
    const char* what() const noexcept override { return "operation stopped"; }

private:
    uint32_t m_code;
};

// Marks a long operation as running for as long as it lives. Scopes nest; stop requests are
// accepted only while one is alive, and those still pending when the outermost one ends are
// dropped, so a late Stop can never end the next operation.
class OperationScope {
public:
    OperationScope();
    ~OperationScope();
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;
};

// Queues a stop request behind the events already waiting and returns at once. It takes effect
// in the next PumpMessages of the operation that was running when it was posted; posted while no
// operation runs, it has no effect.
void PostStopRequest(uint32_t code);

// Handles every waiting event, then throws stop_exception if a stop request has arrived (one
// request per call). Without a QCoreApplication it only checks for stop requests.
void PumpMessages();

// Lets the windows repaint and answer the window system while the only thread waits on a device
// that is slow to answer. Timers and user input stay queued for the next PumpMessages, so none of
// the program's commands runs in the middle of a transaction. Does nothing off the main thread.
void ProcessWindowEvents();

// Time source of WaitUntil: a 32-bit millisecond counter (differences are taken modulo 2^32) and
// a sleep of at most the given milliseconds, which may end sooner; WaitUntil sleeps again while
// its time has not come. A sleep that handles the events arriving meanwhile says so, and WaitUntil
// then only looks for stop requests after it instead of running another pass of its own. Tests
// pass their own.
struct WaitClock {
    std::function<uint32_t()> now;
    std::function<void(uint32_t ms)> sleep;
    bool sleepHandlesEvents = false;
};

// steady_clock milliseconds truncated to 32 bits. Its sleep blocks in the event loop until an
// event arrives (which it handles) or the time is up, so a waiting program uses no CPU and still
// sees a stop at once; without a QCoreApplication it is a plain sleep.
const WaitClock& SystemWaitClock();

// The clock of every wait that is not given one: the system clock, or the one a test installed
// with ScopedWaitClock (so that a 20 s device time-out can pass without waiting 20 s).
const WaitClock& DefaultWaitClock();

class ScopedWaitClock {
public:
    explicit ScopedWaitClock(const WaitClock& clock);
    ~ScopedWaitClock();
    ScopedWaitClock(const ScopedWaitClock&) = delete;
    ScopedWaitClock& operator=(const ScopedWaitClock&) = delete;

private:
    const WaitClock* m_previous;
};

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

using WaitCondition = bool (*)(void* context);

// Polls `condition` once per `interval` ms, the first time one interval after the call, and
// handles events as they arrive in between, sleeping otherwise. Returns true when the condition
// held, false when `limit` ms have passed (kWaitForever: no limit). Without a condition it is a
// delay of at least `limit` ms. Throws what PumpMessages or the condition throws.
bool WaitUntil(WaitCondition condition, void* context, uint32_t interval, uint32_t limit,
               const WaitClock& clock = DefaultWaitClock());
bool WaitUntil(const std::function<bool()>& condition, uint32_t interval, uint32_t limit,
               const WaitClock& clock = DefaultWaitClock());
