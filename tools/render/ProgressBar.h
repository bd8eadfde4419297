#pragma once

#include <chrono>
#include <cstdio>

namespace tonewell::render {

// A one-line progress bar on a terminal. When the stream is not a terminal, or
// the job is short, it draws nothing at all so logs and pipes stay clean.
class ProgressBar {
public:
    // `totalSeconds`: the length of what is rendered, shown beside the bar as
    // the rendered time so far, with an estimate of the time left.
    ProgressBar(std::FILE* stream, bool wanted, double totalSeconds = 0.0);
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // fraction in 0..1; redraws at most a few times a second.
    void Update(double fraction);
    // Leaves the bar at 100 % and ends its line.
    void Finish();

private:
    void Draw(double fraction);
    // Wipes a bar that was interrupted, so an error message starts on a clean line.
    void Clear();

    std::FILE* stream_;
    bool active_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};
    double totalSeconds_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

} // namespace tonewell::render
