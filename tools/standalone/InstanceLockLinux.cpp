#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

#include "InstanceLock.h"
#include "PlayError.h"

namespace tonewell::standalone {

// A lock file beside the state: the system lets it go with the process,
// however that ends.
InstanceLock::InstanceLock(const std::string& statePath) {
    const std::filesystem::path target(statePath);
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    const int file = open((statePath + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (file < 0) return;
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(file);
        if (held) throw PlayError(kHeldMessage);
        return;
    }
    handle_ = file;
}

InstanceLock::~InstanceLock() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

} // namespace tonewell::standalone
