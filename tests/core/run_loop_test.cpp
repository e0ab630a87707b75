#include "core/run_loop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// A millisecond counter that advances only when the wait sleeps: by one millisecond, as a sleep
// cut short by events would, or, with `wholeSleeps`, by all it was asked for.
struct FakeClock {
    uint32_t time = 1000;
    bool wholeSleeps = false;
    std::vector<uint32_t> sleeps;  // the lengths asked for
    std::function<void()> onSleep;
    WaitClock Clock() {
        return {[this] { return time; },
                [this](uint32_t ms) {
                    sleeps.push_back(ms);
                    time += wholeSleeps ? ms : 1;
                    if (onSleep) onSleep();
                }};
    }
};

// Records the numbers of the events it receives, in order.
class Recorder : public QObject {
public:
    std::vector<int> received;
    bool event(QEvent* event) override {
        if (event->type() < QEvent::User) return QObject::event(event);
        received.push_back(event->type() - QEvent::User);
        return true;
    }
    void Post(int number) {
        QCoreApplication::postEvent(this,
                                    new QEvent(static_cast<QEvent::Type>(QEvent::User + number)));
    }
};

uint32_t ExpectStop(const std::function<void()>& action) {
    try {
        action();
    } catch (const stop_exception& stop) {
        return stop.code();
    }
    ADD_FAILURE() << "no stop_exception";
    return 0;
}

TEST(WaitUntilTest, ConditionIsTestedOncePerIntervalStartingOneIntervalLate) {
    FakeClock clock;
    std::vector<uint32_t> tested;
    bool result = WaitUntil(
        [&] {
            tested.push_back(clock.time - 1000);
            return tested.size() == 3;
        },
        10, kWaitForever, clock.Clock());
    EXPECT_TRUE(result);
    EXPECT_EQ(tested, (std::vector<uint32_t>{10, 20, 30}));
}

TEST(WaitUntilTest, DelayWithoutConditionReturnsFalseAtTheLimit) {
    FakeClock clock;
    EXPECT_FALSE(WaitUntil(nullptr, nullptr, 50, 50, clock.Clock()));
    EXPECT_EQ(clock.time, 1050u);

    EXPECT_FALSE(WaitUntil(nullptr, nullptr, 50, 0, clock.Clock()));
    EXPECT_EQ(clock.time, 1050u);
}

TEST(WaitUntilTest, SurvivesTheCounterWrappingAround) {
    FakeClock clock;
    clock.time = 0xFFFFFFF0;
    std::vector<uint32_t> tested;
    EXPECT_FALSE(WaitUntil(
        [&] {
            tested.push_back(clock.time);
            return false;
        },
        10, 50, clock.Clock()));
    EXPECT_EQ(tested, (std::vector<uint32_t>{0xFFFFFFFA, 4, 14, 24}));
    EXPECT_EQ(clock.time, 34u);
}

TEST(WaitUntilTest, SleepsUntilTheNextPollOrTheLimitWhicheverComesFirst) {
    FakeClock clock;
    clock.wholeSleeps = true;
    std::vector<uint32_t> tested;
    EXPECT_FALSE(WaitUntil(
        [&] {
            tested.push_back(clock.time - 1000);
            return false;
        },
        10, 35, clock.Clock()));
    EXPECT_EQ(tested, (std::vector<uint32_t>{10, 20, 30}));
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{10, 10, 10, 5}));
    EXPECT_EQ(clock.time, 1035u);

    clock.sleeps.clear();
    clock.time = 0xFFFFFFF0;  // across the wrap-around, and a poll that takes time of its own
    EXPECT_FALSE(WaitUntil(
        [&] {
            clock.time += 3;
            return false;
        },
        20, 50, clock.Clock()));
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{20, 20, 4}));  // polls at +20 and +43
    EXPECT_EQ(clock.time, 0xFFFFFFF0u + 50);
}

TEST(WaitUntilTest, ConditionExceptionEndsTheWait) {
    FakeClock clock;
    EXPECT_THROW(WaitUntil([]() -> bool { throw std::runtime_error("device"); }, 10, kWaitForever,
                           clock.Clock()),
                 std::runtime_error);
}

TEST(StopWithoutApplicationTest, StopReachesTheRunningOperationOnly) {
    PostStopRequest(1);  // idle: dropped
    OperationScope operation;
    PumpMessages();
    PostStopRequest(2);
    EXPECT_EQ(ExpectStop(PumpMessages), 2u);
    PumpMessages();
}

TEST(StopWithoutApplicationTest, StopEndsADelayWhileItSleeps) {
    FakeClock clock;
    clock.onSleep = [&] {
        if (clock.time == 1025) PostStopRequest(9);
    };
    OperationScope operation;
    EXPECT_EQ(ExpectStop([&] { WaitUntil(nullptr, nullptr, 50, 50, clock.Clock()); }), 9u);
    EXPECT_EQ(clock.time, 1025u);
}

class RunLoopTest : public ::testing::Test {
protected:
    int argc = 1;
    char name[16] = "runloop_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    Recorder recorder;
};

TEST_F(RunLoopTest, StopCutsALongSleepShort) {
    QTimer::singleShot(5, [] { PostStopRequest(8); });
    auto condition = []() -> bool {
        throw std::runtime_error("the wait slept through the stop until its first poll");
    };
    OperationScope operation;
    EXPECT_EQ(ExpectStop([&] { WaitUntil(condition, 2000, kWaitForever); }), 8u);
}

TEST_F(RunLoopTest, DelayHandlesEventsMeanwhile) {
    FakeClock clock;
    clock.onSleep = [&] {
        if (clock.time == 1010) recorder.Post(1);
    };
    EXPECT_FALSE(WaitUntil(nullptr, nullptr, 50, 50, clock.Clock()));
    EXPECT_EQ(recorder.received, std::vector<int>{1});
}

TEST_F(RunLoopTest, EventsQueuedBeforeTheStopAreHandledFirst) {
    OperationScope operation;
    recorder.Post(1);
    recorder.Post(2);
    PostStopRequest(5);
    EXPECT_EQ(ExpectStop(PumpMessages), 5u);
    EXPECT_EQ(recorder.received, (std::vector<int>{1, 2}));
    PumpMessages();  // consumed exactly once
}

TEST_F(RunLoopTest, StopPostedByAnEventHandlerTakesEffectAfterTheHandlerReturns) {
    OperationScope operation;
    bool handlerFinished = false;
    QTimer::singleShot(0, [&] {
        PostStopRequest(3);
        handlerFinished = true;
    });
    FakeClock clock;
    EXPECT_EQ(ExpectStop([&] { WaitUntil(nullptr, nullptr, 10, kWaitForever, clock.Clock()); }),
              3u);
    EXPECT_TRUE(handlerFinished);
}

// A Stop pressed while the pump handles events (a handler posts it) ends the run at that very
// pump, not one pump later when the run may already be past its last check.
TEST_F(RunLoopTest, StopPostedDuringAPumpIsSeenByThatPump) {
    OperationScope operation;
    QTimer::singleShot(0, [] { PostStopRequest(6); });
    EXPECT_EQ(ExpectStop(PumpMessages), 6u);
}

// Each pump takes one stop; those still pending or queued when the operation ends are dropped.
TEST_F(RunLoopTest, OneStopPerPumpAndLeftoversDieWithTheOperation) {
    {
        OperationScope first;
        PostStopRequest(1);
        PostStopRequest(2);
        PostStopRequest(3);
        EXPECT_EQ(ExpectStop(PumpMessages), 1u);
        EXPECT_EQ(ExpectStop(PumpMessages), 2u);
    }
    {
        OperationScope second;
        PostStopRequest(4);  // still queued when the operation ends
    }
    OperationScope next;
    PumpMessages();
}

TEST_F(RunLoopTest, StopPostedWhileIdleIsDiscarded) {
    PostStopRequest(1);
    QCoreApplication::processEvents();
    PostStopRequest(2);  // still queued when the operation starts
    OperationScope operation;
    PumpMessages();
}

TEST_F(RunLoopTest, NestedScopesShareTheOperation) {
    OperationScope outer;
    {
        OperationScope inner;
        PostStopRequest(4);
    }
    EXPECT_EQ(ExpectStop(PumpMessages), 4u);
}

}  // namespace
