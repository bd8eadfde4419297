#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tonewell::render {

// Flushes a file's data to disk while the file is still being written, on a
// thread of its own, so that the final flush has only the last piece left to
// wait for. Writing never waits for it: the flushes run beside the writes.
// The first error a flush meets is kept for Stop to report, since the kernel
// reports a write error to only one flush of the file.
class FileWriteback {
public:
    explicit FileWriteback(int descriptor);
    // Stops the thread; the descriptor is not closed.
    ~FileWriteback();

    FileWriteback(const FileWriteback&) = delete;
    FileWriteback& operator=(const FileWriteback&) = delete;

    // Called after writing: asks for a flush once at least kPiece bytes were
    // written since the last one was asked for.
    void Advance();
    // Waits for a flush under way to end and stops the thread. Returns 0, or
    // the errno of the first flush that failed.
    int Stop();

private:
    static constexpr std::int64_t kPiece = 8 << 20;

    void FlushWhenAsked();

    int descriptor_;
    std::int64_t asked_ = 0; // file size when a flush was last asked for
    std::mutex mutex_;
    std::condition_variable wake_;
    bool flushWanted_ = false;
    bool stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};

} // namespace tonewell::render
