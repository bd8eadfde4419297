#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tonewell::durable {

// Why a file could not be written: the destination and the system's reason.
class DurableFileError : public std::runtime_error {
public:
    DurableFileError(const std::string& path, const std::string& reason);
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// A file written under a temporary name in its destination's folder and put
// in place only when complete. Commit flushes the data to the disk, renames
// the file over the destination and then flushes the folder, so that neither
// a failure, a killed program nor a power loss leaves a partial file, or a
// name that points at an empty one; the older file stays until the new one
// is whole. On Linux the temporary file has no name at all where the file
// system allows (O_TMPFILE), so a killed program leaves nothing behind.
class DurableFile {
public:
    // Throws DurableFileError when the folder cannot take a new file or the
    // destination is there but not a regular file.
    explicit DurableFile(std::string destination);
    // Removes the temporary file unless it was committed.
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Appends to the temporary file. Throws DurableFileError.
    void Write(const void* data, std::size_t size);
    // A descriptor of its own on the temporary file, for a writer that writes
    // through it and closes it (libsndfile); -1 where the system has no file
    // descriptors (Windows).
    int DuplicateDescriptor() const;
    // Puts the finished file in place, durably. Throws DurableFileError.
    void Commit();

    // The whole of `size` bytes, durably to `path`.
    static void WriteWhole(const std::string& path, const void* data, std::size_t size);

private:
    std::string destination_;
    // Empty while the file is unnamed.
    std::string temporaryPath_;
    // A file descriptor on Linux, a HANDLE on Windows; -1 when none.
    std::intptr_t handle_ = -1;
    bool committed_ = false;
};

} // namespace tonewell::durable
