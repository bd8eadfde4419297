#pragma once

#include <cstdint>
#include <cstdio>

namespace tonewell::standalone {

// The one line a terminal shows while playing: the time played, the length
// when there is one, the output level, the underruns and the sleep timer. Draws nothing when
// the stream is not a terminal, so logs and pipes stay clean.
class StatusLine {
public:
    StatusLine(std::FILE* stream, double totalSeconds);
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // totalSeconds <= 0: no length to show. sleepSeconds: the sleep timer's
    // time left, negative while none runs.
    void Update(double seconds, float peak, std::uint64_t underruns, double sleepSeconds = -1.0);
    // Ends the line so that later messages start on their own.
    void Finish();

private:
    std::FILE* stream_;
    bool active_;
    bool drawn_ = false;
    double totalSeconds_;
};

} // namespace tonewell::standalone
