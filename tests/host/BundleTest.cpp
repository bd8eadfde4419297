// What the bundle carries beside the binary, checked against the module
// itself: moduleinfo.json against the factory's answers, the factory presets
// loaded back, and damaged presets refused by the host kit's loader.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <pluginterfaces/base/ipluginbase.h>

#include "HostTestSupport.h"
#include "PresetStore.h"
#include "Utf16.h"

using namespace Steinberg;
using namespace hosttest;
using tonewell::hostkit::PresetStore;
namespace fs = std::filesystem;

namespace {

constexpr int kFactoryPrograms = 124;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Contents/Resources of the bundle the module under test belongs to.
fs::path ResourcesDir() {
    return fs::u8path(Module()->Path()).parent_path().parent_path() / "Resources";
}

fs::path PresetDir() {
    if (const char* dir = std::getenv("TONEWELL_PRESETS"); dir && *dir) return fs::u8path(dir);
    return fs::u8path(TONEWELL_PRESET_DIR);
}

// The component state after selecting a program through the program change.
std::vector<std::uint8_t> ProgramState(int program) {
    auto plugin = StartedInstance();
    if (!plugin) return {};
    plugin->ParameterChanges().Add(kPresetId, ProgramValue(program));
    Render(*plugin, 32);
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(plugin->GetState(bytes, error)) << error;
    return bytes;
}

std::string ProgramName(PluginInstance& plugin, int program) {
    Vst::String128 name{};
    plugin.UnitInfo()->getProgramName(kPresetId, program, name);
    return tonewell::hostkit::ToUtf8(name, 128);
}

} // namespace

TEST(Bundle, ModuleInfoMatchesTheFactory) {
    ASSERT_NE(Module(), nullptr);
    std::ifstream file(ResourcesDir() / "moduleinfo.json");
    ASSERT_TRUE(file) << (ResourcesDir() / "moduleinfo.json").u8string();
    const nlohmann::json info = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(info.is_discarded()) << "moduleinfo.json is not valid JSON";

    IPluginFactory* factory = Module()->Factory();
    PFactoryInfo factoryInfo{};
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    EXPECT_EQ(info["Name"], "Tonewell");
    EXPECT_EQ(info["Factory Info"]["Vendor"], factoryInfo.vendor);
    EXPECT_EQ(info["Factory Info"]["URL"], factoryInfo.url);
    EXPECT_EQ(info["Factory Info"]["E-Mail"], factoryInfo.email);
    EXPECT_EQ(info["Factory Info"]["Flags"]["Unicode"],
              (factoryInfo.flags & PFactoryInfo::kUnicode) != 0);
    EXPECT_TRUE(info["Compatibility"].is_array() && info["Compatibility"].empty());

    const nlohmann::json& classes = info["Classes"];
    ASSERT_TRUE(classes.is_array());
    ASSERT_EQ(static_cast<int>(classes.size()), factory->countClasses());
    auto factory2 = FUnknownPtr<IPluginFactory2>(factory);
    ASSERT_TRUE(factory2);
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 expected{};
        ASSERT_EQ(factory2->getClassInfo2(i, &expected), kResultOk);
        const nlohmann::json& entry = classes[static_cast<size_t>(i)];
        EXPECT_EQ(entry["CID"], PresetStore::ClassIdText(expected.cid));
        EXPECT_EQ(entry["Category"], expected.category);
        EXPECT_EQ(entry["Name"], expected.name);
        EXPECT_EQ(entry["Vendor"], expected.vendor);
        EXPECT_EQ(entry["Version"], expected.version);
        EXPECT_EQ(entry["SDKVersion"], expected.sdkVersion);
        EXPECT_EQ(entry["Sub Categories"], nlohmann::json::array({expected.subCategories}));
        EXPECT_EQ(entry["Class Flags"], expected.classFlags);
        EXPECT_EQ(entry["Cardinality"], expected.cardinality);
        EXPECT_EQ(info["Version"], expected.version);
        // Every listed image is a PNG file in the bundle.
        for (const nlohmann::json& snapshot : entry["Snapshots"]) {
            const auto bytes =
                ReadFile(ResourcesDir() / fs::u8path(snapshot["Path"].get<std::string>()));
            ASSERT_GE(bytes.size(), 8u) << snapshot["Path"];
            EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
        }
    }
}

TEST(Bundle, FactoryPresetsRestoreTheirPrograms) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    const fs::path dir = PresetDir();
    const auto files =
        std::count_if(fs::directory_iterator(dir), fs::directory_iterator(),
                      [](const auto& f) { return f.path().extension() == ".vstpreset"; });
    EXPECT_EQ(files, kFactoryPrograms);

    // A sample across the list, first and last included; a name with a
    // colon, which file systems refuse, is stored under '_'.
    for (int program : {1, 17, 42, 83, 92, 100, kFactoryPrograms}) {
        std::string file = ProgramName(*plugin, program);
        std::replace(file.begin(), file.end(), ':', '_');
        const auto preset = ReadFile(dir / fs::u8path(file + ".vstpreset"));
        ASSERT_FALSE(preset.empty()) << file;

        auto loaded = NewInstance();
        std::string error;
        ASSERT_TRUE(PresetStore::Load(*loaded, preset, error)) << file << ": " << error;
        std::vector<std::uint8_t> state;
        ASSERT_TRUE(loaded->GetState(state, error));
        EXPECT_EQ(DecodeState(state), DecodeState(ProgramState(program))) << file;
    }
    const auto schumann = ReadFile(dir / "Binaural - 7.83 (Schumann Resonance).vstpreset");
    std::string error;
    ASSERT_TRUE(PresetStore::Load(*plugin, schumann, error)) << error;
    EXPECT_DOUBLE_EQ(PlainValues(*plugin)[Binaural], 7.83);
}

TEST(Bundle, DamagedPresetsAreRefusedAndChangeNothing) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    const auto good = ReadFile(PresetDir() / "Binaural - 7.83 (Schumann Resonance).vstpreset");
    ASSERT_GT(good.size(), 48u);
    std::string error;
    ASSERT_TRUE(PresetStore::Check(good, plugin->ClassId(), error)) << error;

    std::vector<std::uint8_t> before;
    ASSERT_TRUE(plugin->GetState(before, error));
    auto expectRefused = [&](const std::vector<std::uint8_t>& bytes, const std::string& reason) {
        std::string why;
        EXPECT_FALSE(PresetStore::Load(*plugin, bytes, why)) << reason;
        EXPECT_NE(why.find(reason), std::string::npos) << why;
        std::vector<std::uint8_t> after;
        ASSERT_TRUE(plugin->GetState(after, why));
        EXPECT_EQ(after, before) << reason;
    };

    expectRefused({}, "truncated");
    expectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "truncated");
    expectRefused(std::vector<std::uint8_t>(good.begin(), good.end() - 30), "truncated");
    auto foreign = good;
    foreign[8] = foreign[8] == 'F' ? 'E' : 'F';
    expectRefused(foreign, "another plug-in");
    auto notPreset = good;
    notPreset[0] = 'X';
    expectRefused(notPreset, "not a VST 3 preset");

    // The list's only entry ('Comp', offset, size) starts 8 bytes into the list.
    const size_t list = good.size() - 28;
    auto longChunk = good;
    longChunk[list + 8 + 12] = 0xFF; // the chunk's size
    expectRefused(longChunk, "runs past");
    auto farChunk = good;
    farChunk[list + 8 + 4 + 3] = 0x01; // the chunk's offset, 16 MiB in
    expectRefused(farChunk, "runs past");
    auto manyEntries = good;
    manyEntries[list + 4] = 9;
    expectRefused(manyEntries, "claims 9 entries");
}
