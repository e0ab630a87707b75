#include "cli/transfer_bar.h"

#include <algorithm>

#include "core/run_loop.h"
#include "core/string_table.h"

namespace {

// Redrawing after every 128-byte block would flood a slow ssh session.
constexpr uint32_t kRedrawMs = 100;

unsigned Clamp32(uint64_t value) {
    return static_cast<unsigned>(std::min<uint64_t>(value, UINT32_MAX));
}

}  // namespace

std::string TransferBarLine(uint32_t done, uint32_t total, uint32_t elapsedMs, int width) {
    const uint64_t percent = total ? uint64_t{done} * 100 / total : 100;
    const uint64_t filled = total ? uint64_t{done} * static_cast<uint64_t>(width) / total : width;
    const uint64_t rate = uint64_t{done} * 1000 / (uint64_t{elapsedMs} + 1);
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(width) - static_cast<size_t>(filled), '.');
    line += "] ";
    line += FormatText(IDS_CLI_PROGRESS, Clamp32(percent), static_cast<unsigned>(done),
                       static_cast<unsigned>(total), Clamp32(rate));
    return line;
}

void TransferBar::Start() {
    m_startTick = SystemWaitClock().now();
    m_lastDrawTick = m_startTick - kRedrawMs;
}

void TransferBar::Update(uint32_t done, uint32_t total) {
    if (!m_enabled) return;
    const uint32_t now = SystemWaitClock().now();
    if (done < total && now - m_lastDrawTick < kRedrawMs) return;
    m_lastDrawTick = now;
    Draw(TransferBarLine(done, total, now - m_startTick));
}

void TransferBar::Status(const std::string& text) {
    if (m_enabled) Draw(text);
}

void TransferBar::Draw(const std::string& line) {
    // Carriage return, the line, then erase whatever a longer previous line left.
    std::fprintf(m_out, "\r%s\x1b[K", line.c_str());
    std::fflush(m_out);
    m_drawn = true;
}

void TransferBar::Finish() {
    if (!m_drawn) return;
    std::fputs("\r\x1b[K", m_out);
    std::fflush(m_out);
    m_drawn = false;
}
