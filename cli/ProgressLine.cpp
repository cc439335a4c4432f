#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace pixquarry {

namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr char kEraseLine[] = "\r\033[K";

std::string Amount(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

void WriteErr(const std::string& text) {
    // One write: the line never shows half drawn.
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace

ProgressLine::ProgressLine(std::size_t total)
    : m_active(::isatty(STDERR_FILENO) == 1),
      m_sharesTerminal(m_active && ::isatty(STDOUT_FILENO) == 1),
      m_total(total) {}

void ProgressLine::Update(std::size_t done, std::int64_t bytes) {
    m_done = done;
    m_bytes = bytes;
    if (m_active && Clock::now() - m_lastDraw >= kRedrawEvery)
        Draw();
}

void ProgressLine::BeforeOutput() {
    if (m_sharesTerminal)
        Clear();
}

void ProgressLine::Clear() {
    if (!m_shown)
        return;
    WriteErr(kEraseLine);
    m_shown = false;
}

void ProgressLine::Draw() {
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const double rate = seconds > 0 ? static_cast<double>(m_bytes) / seconds : 0;
    WriteErr("\r" + std::to_string(m_done) + "/" + std::to_string(m_total) + "  " +
             Amount(static_cast<double>(m_bytes)) + "  " + Amount(rate) + "/s\033[K");
    m_shown = true;
    m_lastDraw = now;
}

}  // namespace pixquarry
