#include <cerrno>
#include <unistd.h>

#include "FileWriteback.h"

namespace tonewell::render {

FileWriteback::FileWriteback(int descriptor)
    : descriptor_(descriptor), thread_([this] { FlushWhenAsked(); }) {}

FileWriteback::~FileWriteback() {
    Stop();
}

void FileWriteback::Advance() {
    const off_t written = lseek(descriptor_, 0, SEEK_CUR);
    if (written < 0 || written - asked_ < kPiece) return;
    asked_ = written;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        flushWanted_ = true;
    }
    wake_.notify_one();
}

int FileWriteback::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    return error_;
}

void FileWriteback::FlushWhenAsked() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return flushWanted_ || stopping_; });
        if (stopping_) return;
        flushWanted_ = false;
        lock.unlock();
        const int error = fdatasync(descriptor_) == 0 ? 0 : errno;
        lock.lock();
        if (error_ == 0) error_ = error;
    }
}

} // namespace tonewell::render
