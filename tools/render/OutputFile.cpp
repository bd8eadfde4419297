#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "RenderError.h"

namespace tonewell::render {

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

std::string CannotWrite(const std::string& path, const char* reason) {
    return "cannot write output file \"" + path + "\": " + reason;
}

} // namespace

OutputFile::OutputFile(std::string destination) : destination_(std::move(destination)) {
    struct stat existing {};
    if (stat(destination_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw RenderError(CannotWrite(destination_, "it exists and is not a regular file"));
    if (NameOf(destination_).empty()) throw RenderError(CannotWrite(destination_, "no file name"));

    const mode_t mask = umask(0);
    umask(mask);
#ifdef O_TMPFILE
    // An unnamed file in the destination's folder: a render that is killed
    // leaves nothing behind, and the file gets a name only when complete.
    descriptor_ =
        open(FolderOf(destination_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666 & ~mask);
    if (descriptor_ >= 0) {
        linkDescriptor_ = dup(descriptor_);
        if (linkDescriptor_ >= 0) return;
        close(descriptor_);
        descriptor_ = -1;
    }
#endif

    // Where the file system has no unnamed files: a hidden name next to the
    // destination keeps the final rename on one file system.
    std::string pattern = FolderOf(destination_) + "/." + NameOf(destination_) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    descriptor_ = mkstemp(buffer.data());
    if (descriptor_ < 0) throw RenderError(CannotWrite(destination_, std::strerror(errno)));
    temporaryPath_ = buffer.data();

    // mkstemp creates the file private (0600); the result should look like any
    // other file the user creates.
    fchmod(descriptor_, 0666 & ~mask);
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) close(descriptor_);
    if (linkDescriptor_ >= 0) close(linkDescriptor_);
    if (!committed_ && !temporaryPath_.empty()) unlink(temporaryPath_.c_str());
}

int OutputFile::ReleaseDescriptor() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void OutputFile::Commit() {
    if (linkDescriptor_ >= 0) {
        // Linked under a hidden name first, since a link cannot replace the
        // destination; the rename then does so in one step.
        const std::string procPath = "/proc/self/fd/" + std::to_string(linkDescriptor_);
        for (int attempt = 0; temporaryPath_.empty(); ++attempt) {
            const std::string name = FolderOf(destination_) + "/." + NameOf(destination_) + "." +
                                     std::to_string(getpid()) + "-" + std::to_string(attempt);
            if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temporaryPath_ = name;
            else if (errno != EEXIST || attempt >= 100)
                throw RenderError(CannotWrite(destination_, std::strerror(errno)));
        }
        close(linkDescriptor_);
        linkDescriptor_ = -1;
    }
    if (std::rename(temporaryPath_.c_str(), destination_.c_str()) != 0)
        throw RenderError(CannotWrite(destination_, std::strerror(errno)));
    committed_ = true;
}

} // namespace tonewell::render
