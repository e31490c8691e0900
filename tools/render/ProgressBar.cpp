#include "tools/render/ProgressBar.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

ProgressBar::ProgressBar(bool enabled, std::int64_t totalFrames, std::int32_t sampleRate)
    : active(enabled), total(totalFrames), rate(sampleRate), start(Clock::now()), lastDraw(start)
{
}

bool ProgressBar::standardErrorIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

void ProgressBar::update(std::int64_t done)
{
    if (!active || done <= 0) {
        return;
    }
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start).count();
    const double expected = elapsed * static_cast<double>(total) / static_cast<double>(done);
    if (elapsed < 0.2 || expected < 1.0 || (drawn && now - lastDraw < std::chrono::milliseconds(100))) {
        return;
    }
    constexpr int kWidth = 40;
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f of %.1f s", bar.c_str(), static_cast<int>(fraction * 100.0),
                 static_cast<double>(done) / rate, static_cast<double>(total) / rate);
    std::fflush(stderr);
    drawn = true;
    lastDraw = now;
}

void ProgressBar::finish()
{
    if (drawn) {
        std::fprintf(stderr, "\r%72s\r", "");
        std::fflush(stderr);
        drawn = false;
    }
}
