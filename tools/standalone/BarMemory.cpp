#include "BarMemory.h"

#include <TextParsing.h>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "PlayError.h"

namespace tonewell::standalone {

std::string BarMemory::PathBeside(const std::string& statePath) {
    return (std::filesystem::path(statePath).parent_path() / "bar.txt").string();
}

BarMemory BarMemory::Load(const std::string& path, int programCount) {
    BarMemory memory;
    std::ifstream in(path);
    std::string line;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "program") {
            const auto number = render::ParseInteger(value);
            if (number && *number >= 0 && *number < programCount)
                memory.program = static_cast<int>(*number);
        }
        if (key == "volume") {
            const auto number = render::ParseNumber(value);
            if (number && *number >= 0.0 && *number <= 1.0)
                memory.volume = static_cast<float>(*number);
        }
    }
    return memory;
}

void BarMemory::Save(const BarMemory& memory, const std::string& path) {
    const std::filesystem::path target(path);
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    const std::filesystem::path temporary = target.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "program=" << memory.program << "\nvolume=" << memory.volume << "\n";
        if (!out.flush()) throw PlayError("cannot write the bar's settings to \"" + path + "\"");
    }
    std::filesystem::rename(temporary, target, code);
    if (code) {
        std::filesystem::remove(temporary, code);
        throw PlayError("cannot write the bar's settings to \"" + path + "\"");
    }
}

} // namespace tonewell::standalone
