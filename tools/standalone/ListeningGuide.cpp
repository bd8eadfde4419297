#include "ListeningGuide.h"

#include <filesystem>
#include <system_error>

namespace tonewell::standalone {

std::vector<std::string> ListeningGuide::Candidates(const std::string& executableFolder) {
    return {executableFolder + "guide.html", executableFolder + "../share/doc/tonewell/guide.html"};
}

std::optional<std::string> ListeningGuide::Find() {
    for (const auto& candidate : Candidates(ExecutableFolder())) {
        std::error_code error;
        const auto path = std::filesystem::u8path(candidate);
        if (std::filesystem::is_regular_file(path, error))
            return path.lexically_normal().u8string();
    }
    return std::nullopt;
}

} // namespace tonewell::standalone
