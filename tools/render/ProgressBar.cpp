#include "ProgressBar.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace tonewell::render {

namespace {
constexpr int kWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Clock(double seconds) {
    const auto whole = static_cast<long long>(std::max(0.0, seconds) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}
} // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool wanted, double totalSeconds)
    : stream_(stream), active_(wanted && isatty(fileno(stream)) != 0), totalSeconds_(totalSeconds) {
}

ProgressBar::~ProgressBar() {
    if (active_ && drawn_) Clear();
}

void ProgressBar::Update(double fraction) {
    if (!active_) return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    const auto now = std::chrono::steady_clock::now();
    if (percent == lastPercent_ || (drawn_ && now - lastDraw_ < kRedrawInterval)) return;
    lastDraw_ = now;
    Draw(fraction);
}

void ProgressBar::Finish() {
    if (!active_) return;
    Draw(1.0);
    std::fputc('\n', stream_);
    std::fflush(stream_);
    active_ = false;
}

void ProgressBar::Draw(double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    lastPercent_ = static_cast<int>(fraction * 100.0);
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '-');
    std::string times;
    if (totalSeconds_ > 0.0) {
        times = "  " + Clock(fraction * totalSeconds_) + " / " + Clock(totalSeconds_);
        const double spent =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        if (fraction > 0.01 && fraction < 1.0)
            times += ", " + Clock(spent * (1.0 - fraction) / fraction) + " left";
        else
            times += "             ";
    }
    std::fprintf(stream_, "\rRendering [%s] %3d%%%s", bar.c_str(), lastPercent_, times.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::Clear() {
    std::fprintf(stream_, "\r%*s\r", kWidth + 60, "");
    std::fflush(stream_);
}

} // namespace tonewell::render
