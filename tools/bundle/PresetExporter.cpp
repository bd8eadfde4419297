#include "PresetExporter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "ExportError.h"
#include "HostApplication.h"
#include "ParameterCatalog.h"
#include "PluginInstance.h"
#include "PresetStore.h"
#include "ProgramCatalog.h"

namespace tonewell::bundle {

namespace fs = std::filesystem;
using hostkit::PluginInstance;

namespace {

constexpr int kBlockFrames = 32;

bool IsReservedName(const std::string& stem) {
    static const std::set<std::string> reserved = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
        "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    std::string upper = stem;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return reserved.count(upper) > 0;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ExportError("cannot write " + path.u8string());
}

} // namespace

bool PresetExporter::IsFactoryProgram(const std::string& name) {
    return !name.empty() && !(name.front() == '-' && name.back() == '-');
}

std::string PresetExporter::FileNameFor(const std::string& programName) {
    std::string name;
    for (char c : programName) {
        const bool refused = static_cast<unsigned char>(c) < 0x20 ||
                             std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
        name += refused ? '_' : c;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    if (name.empty()) name = "_";
    if (IsReservedName(name)) name = "_" + name;
    return name + ".vstpreset";
}

std::vector<std::string> PresetExporter::WriteAll(hostkit::PluginModule& module,
                                                  const std::string& folder) {
    auto host = hostkit::HostApplication::Create("Tonewell bundle tool");
    std::string error;
    std::unique_ptr<PluginInstance> plugin = PluginInstance::Create(module, 0, *host, error);
    if (!plugin) throw ExportError(error);
    if (!plugin->Controller() || !plugin->UnitInfo())
        throw ExportError("the plug-in offers no program list");
    const render::ParameterCatalog parameters(*plugin->Controller());
    const render::ProgramCatalog programs(*plugin->UnitInfo());
    const auto programChange = parameters.ProgramChangeId();
    if (!programChange) throw ExportError("the plug-in offers no program change");
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = kBlockFrames;
    if (!plugin->Start(config, error)) throw ExportError(error);

    const fs::path dir = fs::u8path(folder);
    std::error_code failed;
    fs::create_directories(dir, failed);
    if (failed) throw ExportError("cannot create " + folder + ": " + failed.message());
    for (const auto& item : fs::directory_iterator(dir))
        if (item.path().extension() == ".vstpreset") fs::remove(item.path());

    std::vector<float> left(kBlockFrames), right(kBlockFrames);
    float* outputs[] = {left.data(), right.data()};
    std::vector<std::string> written;
    std::set<std::string> taken;
    for (size_t i = 0; i < programs.Names().size(); ++i) {
        const std::string& program = programs.Names()[i];
        if (!IsFactoryProgram(program)) continue;
        plugin->ParameterChanges().Add(*programChange,
                                       programs.NormalizedValue(static_cast<int>(i)));
        if (plugin->Process(kBlockFrames, nullptr, outputs) != Steinberg::kResultOk)
            throw ExportError("the plug-in did not process program \"" + program + "\"");
        std::vector<std::uint8_t> bytes;
        if (!hostkit::PresetStore::Save(*plugin, bytes, error)) throw ExportError(error);

        // Two programs whose names differ only in refused characters get
        // numbered files rather than one overwriting the other.
        std::string file = FileNameFor(program);
        for (int n = 2; !taken.insert(file).second; ++n)
            file = FileNameFor(program + " (" + std::to_string(n) + ")");
        WriteFile(dir / fs::u8path(file), bytes);
        written.push_back(file);
    }
    return written;
}

} // namespace tonewell::bundle
