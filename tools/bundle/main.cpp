// tonewell-bundle: loads a built VST 3 module through its entry point, as a
// host does, and writes what a bundle carries beside the binary: the module
// info file from the factory's answers and the factory programs as preset
// files. Built for each platform; the Windows build runs under Wine.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "ExportError.h"
#include "ModuleDescription.h"
#include "PluginModule.h"
#include "PresetExporter.h"
#include "PresetStore.h"

using namespace tonewell::bundle;
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: tonewell-bundle MODULE [--moduleinfo FILE] [--presets DIR] [--class-id]\n"
    "  MODULE             the module binary (Tonewell.vst3/Contents/<arch>/...)\n"
    "  --moduleinfo FILE  write the module info JSON; snapshot images are listed\n"
    "                     from the Snapshots folder beside FILE\n"
    "  --presets DIR      write every factory program as DIR/<name>.vstpreset\n"
    "  --class-id         print the first class id as the SDK writes it\n";

struct Options {
    std::string module;
    std::string moduleInfo;
    std::string presets;
    bool classId = false;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw ExportError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--moduleinfo")
            options.moduleInfo = value();
        else if (arg == "--presets")
            options.presets = value();
        else if (arg == "--class-id")
            options.classId = true;
        else if (!arg.empty() && arg[0] != '-' && options.module.empty())
            options.module = arg;
        else
            throw ExportError("unexpected argument " + arg);
    }
    if (options.module.empty()) throw ExportError("no module given");
    return options;
}

void WriteModuleInfo(tonewell::hostkit::PluginModule& module, const std::string& path) {
    ModuleDescription description;
    std::string error;
    // The binary's stem names the module ("Tonewell" for Tonewell.so or Tonewell.vst3).
    const std::string name = fs::u8path(module.Path()).stem().u8string();
    if (!ModuleDescription::Read(*module.Factory(), name, description, error))
        throw ExportError(error);
    const fs::path file = fs::u8path(path);
    description.FindSnapshots(file.parent_path().u8string());
    const fs::path partial = fs::path(file).concat(".part");
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << description.ToJson();
        if (!out) throw ExportError("cannot write " + path);
    }
    std::error_code failed;
    fs::rename(partial, file, failed);
    if (failed) throw ExportError("cannot write " + path + ": " + failed.message());
}

int Run(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const ExportError& failure) {
        std::fprintf(stderr, "tonewell-bundle: %s\n%s", failure.what(), kUsage);
        return 2;
    }
    std::string error;
    auto module = tonewell::hostkit::PluginModule::Load(options.module, error);
    if (!module) throw ExportError(error);
    if (options.classId) {
        Steinberg::PClassInfo info{};
        if (module->Factory()->getClassInfo(0, &info) != Steinberg::kResultOk)
            throw ExportError("the factory has no class");
        std::printf("%s\n", tonewell::hostkit::PresetStore::ClassIdText(info.cid).c_str());
    }
    if (!options.moduleInfo.empty()) WriteModuleInfo(*module, options.moduleInfo);
    if (!options.presets.empty()) {
        const auto files = PresetExporter::WriteAll(*module, options.presets);
        std::fprintf(stderr, "tonewell-bundle: %zu presets in %s\n", files.size(),
                     options.presets.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const ExportError& failure) {
        std::fprintf(stderr, "tonewell-bundle: %s\n", failure.what());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tonewell-bundle: unexpected failure: %s\n", failure.what());
    }
    return 1;
}
