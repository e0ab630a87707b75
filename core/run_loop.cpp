#include "core/run_loop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

namespace {

// Which operation is running and the stop requests it has received, oldest first.
struct RunLoopState {
    int depth = 0;           // nesting of OperationScope
    uint64_t operation = 0;  // serial number of the running operation; 0 while idle
    uint64_t lastOperation = 0;
    std::deque<uint32_t> pending;
};

RunLoopState& State() {
    static RunLoopState state;
    return state;
}

// A request is meant for the operation that was running when it was posted: one posted while
// idle, or for an operation that has ended since, is dropped.
void Accept(uint32_t code, uint64_t operation) {
    RunLoopState& state = State();
    if (state.depth > 0 && operation == state.operation) state.pending.push_back(code);
}

QEvent::Type StopEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class StopEvent : public QEvent {
public:
    StopEvent(uint32_t code, uint64_t operation)
        : QEvent(StopEventType()), m_code(code), m_operation(operation) {}
    uint32_t code() const { return m_code; }
    uint64_t operation() const { return m_operation; }

private:
    uint32_t m_code;
    uint64_t m_operation;
};

// Receives the posted stop requests in queue order, behind the events posted before them.
class StopReceiver : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != StopEventType()) return QObject::event(event);
        const auto* stop = static_cast<StopEvent*>(event);
        Accept(stop->code(), stop->operation());
        return true;
    }
};

StopReceiver& Receiver() {
    static StopReceiver receiver;
    return receiver;
}

uint32_t SteadyMilliseconds() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

OperationScope::OperationScope() {
    RunLoopState& state = State();
    if (state.depth++ == 0) state.operation = ++state.lastOperation;
}

OperationScope::~OperationScope() {
    RunLoopState& state = State();
    if (--state.depth == 0) {
        state.pending.clear();
        state.operation = 0;
    }
}

void PostStopRequest(uint32_t code) {
    const uint64_t operation = State().operation;
    // Without an application there is no event queue to keep order with.
    if (!QCoreApplication::instance()) {
        Accept(code, operation);
        return;
    }
    QCoreApplication::postEvent(&Receiver(), new StopEvent(code, operation));
}

void ProcessWindowEvents() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::X11ExcludeTimers);
}

namespace {

// Delivers the stop requests posted so far, also those posted by handlers of the pass just run
// (Stop, Esc, close), and throws for the oldest one.
void ThrowOnStopRequest() {
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(&Receiver(), StopEventType());
    RunLoopState& state = State();
    if (state.pending.empty()) return;
    const uint32_t code = state.pending.front();
    state.pending.pop_front();
    throw stop_exception(code);
}

}  // namespace

void PumpMessages() {
    // Events are handled first, so nothing is thrown through Qt's event dispatch.
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    ThrowOnStopRequest();
}

namespace {

// Waking once a minute in a wait of days costs nothing and keeps the timer's count in range.
constexpr uint32_t kLongestSleepMs = 60'000;

// Blocks until an event arrives, which is handled, or `ms` have passed: a timer ends the wait when
// nothing else does.
void SleepInEventLoop(uint32_t ms) {
    const std::chrono::milliseconds duration(std::min(ms, kLongestSleepMs));
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(duration);
        return;
    }
    // A timer of the stop receiver ends the wait when nothing else does; it costs no object of
    // its own, which matters at a hundred sleeps a second.
    const int timer = Receiver().startTimer(duration, Qt::PreciseTimer);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Receiver().killTimer(timer);
}

}  // namespace

const WaitClock& SystemWaitClock() {
    static const WaitClock clock{SteadyMilliseconds, SleepInEventLoop, true};
    return clock;
}

namespace {
const WaitClock* g_defaultClock = nullptr;
}

const WaitClock& DefaultWaitClock() { return g_defaultClock ? *g_defaultClock : SystemWaitClock(); }

ScopedWaitClock::ScopedWaitClock(const WaitClock& clock) : m_previous(g_defaultClock) {
    g_defaultClock = &clock;
}

ScopedWaitClock::~ScopedWaitClock() { g_defaultClock = m_previous; }

bool WaitUntil(const std::function<bool()>& condition, uint32_t interval, uint32_t limit,
               const WaitClock& clock) {
    const uint32_t start = clock.now();
    uint32_t last = start;
    bool eventsHandled = false;
    for (;;) {
        if (limit != kWaitForever && clock.now() - start >= limit) return false;
        if (eventsHandled)
            ThrowOnStopRequest();
        else
            PumpMessages();
        uint32_t now = clock.now();
        if (now - last >= interval) {
            if (condition && condition()) return true;
            now = last = clock.now();
        }
        // Until the next poll or the limit, whichever comes first; events that arrive meanwhile
        // end the sleep.
        uint32_t sleep = interval - (now - last);
        if (limit != kWaitForever) sleep = std::min(sleep, limit - std::min(limit, now - start));
        eventsHandled = false;
        if (sleep > 0) {
            clock.sleep(sleep);
            eventsHandled = clock.sleepHandlesEvents;
        }
    }
}

bool WaitUntil(WaitCondition condition, void* context, uint32_t interval, uint32_t limit,
               const WaitClock& clock) {
    std::function<bool()> bound;
    if (condition) bound = [condition, context] { return condition(context); };
    return WaitUntil(bound, interval, limit, clock);
}
