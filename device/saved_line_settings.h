#pragma once
// A port's line settings as we found them, so that letting the port go puts them back.

#include <termios.h>

#include <optional>

class SavedLineSettings {
public:
    // Remembers the termios settings of `fd`, just opened.
    void Take(int fd);
    // Turns the driver's low-latency mode on, remembering whether it was off.
    void EnableLowLatency(int fd);
    // Puts back what was found and forgets it.
    void Restore(int fd);

private:
    std::optional<termios> m_termios;
    bool m_lowLatencyAdded = false;
};
