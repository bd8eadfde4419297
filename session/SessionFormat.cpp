#include "SessionFormat.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "SbagenScript.h"

namespace tonewell::session {

bool SessionFormat::IsSbagen(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".sbg") return true;
    std::ifstream stream(path, std::ios::binary);
    std::string head(65536, '\0');
    stream.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(stream.gcount()));
    return SbagenScript::LooksLikeSbagen(head);
}

} // namespace tonewell::session
