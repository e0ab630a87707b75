#pragma once
// Ctrl-C and SIGTERM as the window's Stop: each signal becomes one stop request, delivered to the
// running operation at its next PumpMessages (the handler itself only writes to a pipe).

#include <functional>

// Installs the handlers for SIGINT and SIGTERM; needs the QCoreApplication to exist. `onFirst`
// runs (on the main thread) when the first signal is taken in.
void InstallStopSignals(std::function<void()> onFirst);

// Signals received so far.
int StopSignalCount();
