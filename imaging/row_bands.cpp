#include "imaging/row_bands.h"

#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace {

// Shared with the helpers, which may start after the caller has returned: they then find no band
// left and touch nothing else.
struct BandJob {
    std::function<void(RowRange)> work;
    int rows = 0;
    int rowsPerBand = 0;
    int count = 0;
    std::atomic<int> next{0};
    std::atomic<int> finished{0};
    std::mutex failureMutex;
    std::exception_ptr failure;

    void TakeBands() {
        for (int band; (band = next.fetch_add(1)) < count;) {
            try {
                work({band * rowsPerBand, std::min(rows, (band + 1) * rowsPerBand)});
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
            if (finished.fetch_add(1) + 1 == count) finished.notify_all();
        }
    }
};

}  // namespace

void RunInBands(int rows, int bands, int helpers, const std::function<void(RowRange)>& work) {
    if (rows <= 0) return;
    auto job = std::make_shared<BandJob>();
    job->work = work;
    job->rows = rows;
    job->rowsPerBand = (rows + std::max(bands, 1) - 1) / std::max(bands, 1);
    job->count = (rows + job->rowsPerBand - 1) / job->rowsPerBand;
    for (int h = 0; h < std::min(helpers, job->count - 1); ++h)
        if (!QThreadPool::globalInstance()->tryStart([job] { job->TakeBands(); })) break;
    job->TakeBands();
    for (int done; (done = job->finished.load()) < job->count;) job->finished.wait(done);
    if (job->failure) std::rethrow_exception(job->failure);
}
