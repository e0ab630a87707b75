#include "imaging/row_bands.h"

#include <gtest/gtest.h>

#include <QThreadPool>
#include <array>
#include <atomic>
#include <chrono>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(RunInBands, EveryRowExactlyOnceWhateverTheSplit) {
    for (auto [rows, bands, helpers] :
         {std::array{1, 1, 0}, std::array{10, 3, 1}, std::array{10, 4, 3}, std::array{10, 6, 2},
          std::array{7, 20, 2}, std::array{1000, 8, 3}}) {
        SCOPED_TRACE(testing::Message() << rows << " rows, " << bands << " bands");
        std::vector<std::atomic<int>> hits(rows);
        std::atomic<int> calls{0};
        RunInBands(rows, bands, helpers, [&](RowRange band) {
            ++calls;
            for (int y = band.first; y < band.end; ++y) ++hits[y];
        });
        for (const auto& hit : hits) ASSERT_EQ(hit.load(), 1);
        EXPECT_LE(calls.load(), bands);
    }
}

TEST(RunInBands, AFailureReachesTheCallerOnceEveryBandHasEnded) {
    std::atomic<int> ended{0};
    const auto work = [&](RowRange band) {
        if (band.first == 50) throw std::runtime_error("band failed");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++ended;
    };
    EXPECT_THROW(RunInBands(100, 10, 3, work), std::runtime_error);
    EXPECT_EQ(ended.load(), 9);
}

TEST(RunInBands, TheCallerDoesItAllWhenThePoolIsBusy) {
    QThreadPool& pool = *QThreadPool::globalInstance();
    const int busy = pool.maxThreadCount();
    std::latch release(1);
    for (int k = 0; k < busy; ++k) pool.start([&release] { release.wait(); });
    int calls = 0;  // a helper taking a band would race on it; none can start
    RunInBands(100, 8, 3, [&](RowRange) { ++calls; });
    release.count_down();
    pool.waitForDone();
    EXPECT_EQ(calls, 8);
}

}  // namespace
