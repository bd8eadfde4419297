#include "StatusLine.h"

#include <SessionScript.h>
#include <cmath>
#include <string>
#include <unistd.h>

namespace tonewell::standalone {

StatusLine::StatusLine(std::FILE* stream, double totalSeconds)
    : stream_(stream), active_(isatty(fileno(stream)) != 0), totalSeconds_(totalSeconds) {}

StatusLine::~StatusLine() {
    Finish();
}

void StatusLine::Update(double seconds, float peak, std::uint64_t underruns, double sleepSeconds) {
    if (!active_) return;
    std::string time = render::FormatSessionTime(seconds);
    if (totalSeconds_ > 0.0) time += " / " + render::FormatSessionTime(totalSeconds_);
    char level[16] = "  -inf";
    if (peak > 0.f) std::snprintf(level, sizeof level, "%6.1f", 20.0 * std::log10(peak));
    std::string sleep;
    if (sleepSeconds >= 0.0)
        sleep = "sleep in " + render::FormatSessionTime(std::ceil(sleepSeconds)) + "   ";
    // Trailing blanks wipe what a longer line left behind.
    std::fprintf(stream_, "\rplaying %s   level %s dBFS   underruns %llu   %s", time.c_str(), level,
                 static_cast<unsigned long long>(underruns), sleep.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void StatusLine::Finish() {
    if (!drawn_) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawn_ = false;
}

} // namespace tonewell::standalone
