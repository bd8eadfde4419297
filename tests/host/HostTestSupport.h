#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "HostApplication.h"
#include "PluginInstance.h"
#include "PluginModule.h"

namespace hosttest {

using tonewell::hostkit::PluginInstance;
using tonewell::hostkit::PluginModule;
using tonewell::hostkit::ProcessConfig;

constexpr Steinberg::Vst::ParamID kPresetId = 0x70727374; // "prst"
constexpr Steinberg::Vst::ParamID kBypassId = 0x62706173; // "bpas"
constexpr int kParameterCount = 12;
constexpr int kPresetCount = 130;
constexpr double kRate = 48000.0;

enum Param {
    Frequency,
    Binaural,
    Tuning,
    Wave,
    Beats,
    PanReverse,
    Attack,
    Release,
    Fade,
    Volume,
    Mode,
    CenterFreq
};

// The module under test, loaded once per process; null (with a test failure)
// when it cannot be loaded.
PluginModule* Module();
tonewell::hostkit::HostApplication& Host();

// A fresh, initialised instance; null with a test failure when creation fails.
std::unique_ptr<PluginInstance> NewInstance();
// The same, started for stereo 32-bit processing (or as config says).
std::unique_ptr<PluginInstance> StartedInstance(const ProcessConfig& config = {});

struct Stereo {
    std::vector<float> left, right;
};

// Renders frames of silence input in blocks of at most block frames.
Stereo Render(PluginInstance& plugin, int frames, int block = 512);

// Plain parameter values decoded from a component state.
std::vector<double> DecodeState(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> EncodeState(const std::vector<double>& values);
std::vector<double> PlainValues(PluginInstance& plugin);

// Frequency from rising zero crossings, interpolated linearly, of samples
// [start, end).
double MeasureFrequency(const std::vector<float>& samples, size_t start, size_t end,
                        double sampleRate = kRate);
float Peak(const std::vector<float>& samples, size_t start, size_t end);

// Index of the program named name in the factory program list, -1 if none.
int FindProgram(PluginInstance& plugin, const std::string& name);
double ProgramValue(int index);

std::string ParamString(Steinberg::Vst::IEditController* controller, Steinberg::Vst::ParamID id,
                        double value);

} // namespace hosttest
