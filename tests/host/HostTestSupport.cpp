#include "HostTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Utf16.h"

using namespace Steinberg;

namespace hosttest {

namespace {

std::string ModulePath() {
    // An environment override lets the same binary test another build.
    if (const char* path = std::getenv("TONEWELL_MODULE"); path && *path) return path;
    return TONEWELL_MODULE_PATH;
}

} // namespace

PluginModule* Module() {
    static std::string error;
    static std::unique_ptr<PluginModule> module = PluginModule::Load(ModulePath(), error);
    if (!module) ADD_FAILURE() << error;
    return module.get();
}

tonewell::hostkit::HostApplication& Host() {
    static IPtr<tonewell::hostkit::HostApplication> host =
        tonewell::hostkit::HostApplication::Create("Tonewell Test Host");
    return *host;
}

std::unique_ptr<PluginInstance> NewInstance() {
    PluginModule* module = Module();
    if (!module) return nullptr;
    std::string error;
    auto plugin = PluginInstance::CreateByName(*module, "Tonewell", Host(), error);
    if (!plugin) ADD_FAILURE() << error;
    return plugin;
}

std::unique_ptr<PluginInstance> StartedInstance(const ProcessConfig& config) {
    auto plugin = NewInstance();
    std::string error;
    if (plugin && !plugin->Start(config, error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    return plugin;
}

Stereo Render(PluginInstance& plugin, int frames, int block) {
    Stereo out;
    out.left.resize(static_cast<size_t>(frames));
    out.right.resize(static_cast<size_t>(frames));
    for (int done = 0; done < frames;) {
        int n = std::min(block, frames - done);
        float* outputs[2] = {out.left.data() + done, out.right.data() + done};
        EXPECT_EQ(plugin.Process(n, nullptr, outputs), kResultOk);
        done += n;
    }
    return out;
}

std::vector<double> DecodeState(const std::vector<std::uint8_t>& bytes) {
    std::vector<double> values;
    for (size_t at = 0; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t bits = 0;
        for (int k = 7; k >= 0; --k)
            bits = (bits << 8) | bytes[at + static_cast<size_t>(k)];
        double value;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
    }
    return values;
}

std::vector<std::uint8_t> EncodeState(const std::vector<double>& values) {
    std::vector<std::uint8_t> bytes;
    for (double value : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int k = 0; k < 8; ++k)
            bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    }
    return bytes;
}

std::vector<double> PlainValues(PluginInstance& plugin) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(plugin.GetState(bytes, error)) << error;
    return DecodeState(bytes);
}

double MeasureFrequency(const std::vector<float>& samples, size_t start, size_t end,
                        double sampleRate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = std::max<size_t>(start, 1); i < end && i < samples.size(); ++i) {
        float a = samples[i - 1], b = samples[i];
        if (a < 0.f && b >= 0.f) {
            double t = static_cast<double>(i - 1) + a / (a - b);
            if (crossings == 0) first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * sampleRate / (last - first);
}

float Peak(const std::vector<float>& samples, size_t start, size_t end) {
    float peak = 0.f;
    for (size_t i = start; i < end && i < samples.size(); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

int FindProgram(PluginInstance& plugin, const std::string& name) {
    Vst::IUnitInfo* units = plugin.UnitInfo();
    if (!units) return -1;
    for (int i = 0; i < kPresetCount; ++i) {
        Vst::String128 text{};
        if (units->getProgramName(kPresetId, i, text) == kResultOk &&
            tonewell::hostkit::ToUtf8(text, 128) == name)
            return i;
    }
    return -1;
}

double ProgramValue(int index) {
    return index / static_cast<double>(kPresetCount - 1);
}

std::string ParamString(Vst::IEditController* controller, Vst::ParamID id, double value) {
    Vst::String128 text{};
    if (controller->getParamStringByValue(id, value, text) != kResultOk) return "<failed>";
    return tonewell::hostkit::ToUtf8(text, 128);
}

} // namespace hosttest
