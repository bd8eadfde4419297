#include "DurableFile.h"

namespace tonewell::durable {

DurableFileError::DurableFileError(const std::string& path, const std::string& reason)
    : std::runtime_error("cannot write \"" + path + "\": " + reason), reason_(reason) {}

void DurableFile::WriteWhole(const std::string& path, const void* data, std::size_t size) {
    DurableFile file(path);
    file.Write(data, size);
    file.Commit();
}

} // namespace tonewell::durable
