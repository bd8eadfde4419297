#include <fcntl.h>
#include <unistd.h>

#include "FileWriteback.h"

namespace tonewell::render {

void FileWriteback::Advance() {
    const off_t written = lseek(descriptor_, 0, SEEK_CUR);
    if (written < 0 || written - started_ < kPiece) return;
    sync_file_range(descriptor_, started_, written - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written;
}

} // namespace tonewell::render
