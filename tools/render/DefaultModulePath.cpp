#include "DefaultModulePath.h"

#include <limits.h>
#include <unistd.h>

namespace tonewell::render {

std::string DefaultModulePath() {
    const std::string relative = TONEWELL_RENDER_MODULE_RELATIVE_PATH;
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return relative;
    const std::string executable(buffer, static_cast<std::size_t>(length));
    return executable.substr(0, executable.find_last_of('/') + 1) + relative;
}

} // namespace tonewell::render
