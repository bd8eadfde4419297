#include <cstdlib>
#include <limits.h>
#include <unistd.h>

#include "DefaultModulePath.h"

namespace tonewell::render {

std::vector<std::string> ModuleCandidates(const std::string& executableFolder, const char* home) {
    const std::string relative = TONEWELL_RENDER_MODULE_RELATIVE_PATH;
    std::vector<std::string> candidates{executableFolder + relative,
                                        executableFolder + "../lib/vst3/" + relative};
    if (home && *home) candidates.push_back(std::string(home) + "/.vst3/" + relative);
    candidates.push_back("/usr/local/lib/vst3/" + relative);
    candidates.push_back("/usr/lib/vst3/" + relative);
    return candidates;
}

std::string DefaultModulePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string folder;
    if (length > 0) {
        const std::string executable(buffer, static_cast<std::size_t>(length));
        folder = executable.substr(0, executable.find_last_of('/') + 1);
    }
    const std::vector<std::string> candidates = ModuleCandidates(folder, std::getenv("HOME"));
    for (const std::string& candidate : candidates)
        if (access(candidate.c_str(), R_OK) == 0) return candidate;
    return candidates.front();
}

} // namespace tonewell::render
