#include "OutputSettings.h"

#include <DurableFile.h>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "PlayError.h"
#include "StandaloneOptions.h"

namespace tonewell::standalone {

namespace {

std::optional<unsigned int> Number(const std::string& text, unsigned int low, unsigned int high) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto value = static_cast<unsigned int>(std::stoul(text));
    if (value < low || value > high) return std::nullopt;
    return value;
}

} // namespace

const std::vector<unsigned int>& OutputSettings::BufferSizes() {
    static const std::vector<unsigned int> sizes{64, 128, 256, 512, 1024, 2048, 4096};
    return sizes;
}

std::string OutputSettings::PathBeside(const std::string& statePath) {
    return (std::filesystem::path(statePath).parent_path() / "output.txt").string();
}

std::optional<OutputSettings::Choice> OutputSettings::Load(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    Choice choice;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "device") choice.device = value;
        if (key == "rate")
            choice.rate = Number(value, StandaloneOptions::kMinRate, StandaloneOptions::kMaxRate)
                              .value_or(Choice{}.rate);
        if (key == "buffer")
            choice.buffer =
                Number(value, 16, StandaloneOptions::kMaxBuffer).value_or(Choice{}.buffer);
    }
    return choice;
}

void OutputSettings::Save(const Choice& choice, const std::string& path) {
    const std::filesystem::path target(path);
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    // A name on one line: line breaks in it would start other keys.
    std::string device = choice.device;
    for (char& c : device)
        if (c == '\n' || c == '\r') c = ' ';
    const std::string text = "device=" + device + "\nrate=" + std::to_string(choice.rate) +
                             "\nbuffer=" + std::to_string(choice.buffer) + "\n";
    try {
        durable::DurableFile::WriteWhole(path, text.data(), text.size());
    } catch (const durable::DurableFileError& failure) {
        throw PlayError("cannot write the output settings to \"" + path +
                        "\": " + failure.Reason());
    }
}

} // namespace tonewell::standalone
