#pragma once
// Work on the rows of a picture, split into bands that the caller's thread and idle threads of the
// shared thread pool take in turn.

#include <functional>

#include "imaging/scaler.h"

// Calls `work` once for each band of [0, rows), at most `bands` bands of equal height (the last
// may be shorter), on the caller's thread and on up to `helpers` idle pool threads. Each thread
// takes the next band left when it is free, so a helper that gets a core late takes fewer bands and
// the caller never waits for one that has not started. Returns when every band is done; then throws
// the first failure of any band.
void RunInBands(int rows, int bands, int helpers, const std::function<void(RowRange)>& work);
