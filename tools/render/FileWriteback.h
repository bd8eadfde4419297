#pragma once

#include <cstdint>

namespace tonewell::render {

// Starts the disk writes of a file's data while the file is still being
// written, a piece at a time, so that flushing it at the end has little left
// to wait for. It never waits itself, and errors are left for the final
// flush to report.
class FileWriteback {
public:
    explicit FileWriteback(int descriptor) : descriptor_(descriptor) {}

    // Called after writing: starts the writes of what was written since the
    // last start once that is at least kPiece bytes.
    void Advance();

private:
    static constexpr std::int64_t kPiece = 16 << 20;

    int descriptor_;
    std::int64_t started_ = 0; // bytes from the start whose writes were started
};

} // namespace tonewell::render
