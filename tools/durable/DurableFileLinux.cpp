#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "DurableFile.h"

namespace tonewell::durable {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The rename is only as lasting as the folder's entry for the new name.
// File systems that cannot flush a folder (EINVAL) keep their entries by
// other means.
int SyncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return errno;
    const int error = fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
    close(descriptor);
    return error;
}

} // namespace

DurableFile::DurableFile(std::string destination) : destination_(std::move(destination)) {
    struct stat existing {};
    if (stat(destination_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw DurableFileError(destination_, "it exists and is not a regular file");
    if (NameOf(destination_).empty()) throw DurableFileError(destination_, "no file name");

    const mode_t mask = umask(0);
    umask(mask);
#ifdef O_TMPFILE
    // An unnamed file in the destination's folder: a program that is killed
    // leaves nothing behind, and the file gets a name only when complete.
    const int unnamed =
        open(FolderOf(destination_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666 & ~mask);
    if (unnamed >= 0) {
        handle_ = unnamed;
        return;
    }
#endif
    // Where the file system has no unnamed files: a hidden name next to the
    // destination keeps the final rename on one file system.
    const std::string pattern = FolderOf(destination_) + "/." + NameOf(destination_) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int named = mkostemp(buffer.data(), O_CLOEXEC);
    if (named < 0) throw DurableFileError(destination_, std::strerror(errno));
    handle_ = named;
    temporaryPath_ = buffer.data();
    // mkstemp makes the file private (0600); the result should look like any
    // other file the user makes.
    fchmod(named, 0666 & ~mask);
}

DurableFile::~DurableFile() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    if (!committed_ && !temporaryPath_.empty()) unlink(temporaryPath_.c_str());
}

void DurableFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(static_cast<int>(handle_), bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw DurableFileError(destination_, std::strerror(errno));
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

int DurableFile::DuplicateDescriptor() const {
    return fcntl(static_cast<int>(handle_), F_DUPFD_CLOEXEC, 0);
}

void DurableFile::Commit() {
    const int descriptor = static_cast<int>(handle_);
    // Whatever wrote through a duplicate descriptor wrote to the same file.
    if (fsync(descriptor) != 0) throw DurableFileError(destination_, std::strerror(errno));
    if (temporaryPath_.empty()) {
        // Linked under a hidden name first, since a link cannot replace the
        // destination; the rename then does so in one step.
        const std::string procPath = "/proc/self/fd/" + std::to_string(descriptor);
        for (int attempt = 0; temporaryPath_.empty(); ++attempt) {
            const std::string name = FolderOf(destination_) + "/." + NameOf(destination_) + "." +
                                     std::to_string(getpid()) + "-" + std::to_string(attempt);
            if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temporaryPath_ = name;
            else if (errno != EEXIST || attempt >= 100)
                throw DurableFileError(destination_, std::strerror(errno));
        }
    }
    if (std::rename(temporaryPath_.c_str(), destination_.c_str()) != 0)
        throw DurableFileError(destination_, std::strerror(errno));
    committed_ = true;
    close(descriptor);
    handle_ = -1;
    if (const int error = SyncFolder(FolderOf(destination_)); error != 0)
        throw DurableFileError(destination_, std::strerror(error));
}

} // namespace tonewell::durable
