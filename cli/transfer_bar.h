#pragma once
// The transfer's progress on a terminal: one line redrawn in place with a bar, the percentage,
// the bytes so far and the rate.

#include <cstdint>
#include <cstdio>
#include <string>

// The line for `done` of `total` bytes after `elapsedMs`, `width` characters of bar included.
std::string TransferBarLine(uint32_t done, uint32_t total, uint32_t elapsedMs, int width = 24);

class TransferBar {
public:
    // Draws only when `enabled` (standard error is a terminal and --quiet was not given).
    TransferBar(FILE* out, bool enabled) : m_out(out), m_enabled(enabled) {}
    ~TransferBar() { Finish(); }
    TransferBar(const TransferBar&) = delete;
    TransferBar& operator=(const TransferBar&) = delete;

    bool Enabled() const { return m_enabled; }
    void Start();  // a new transfer: the rate is measured from here
    void Update(uint32_t done, uint32_t total);
    // Clears the line, so that what is printed next starts on a clean one.
    void Finish();
    // A status line shown until the next update (the trigger wait).
    void Status(const std::string& text);

private:
    void Draw(const std::string& line);

    FILE* m_out;
    bool m_enabled;
    bool m_drawn = false;
    uint32_t m_startTick = 0;
    uint32_t m_lastDrawTick = 0;
};
