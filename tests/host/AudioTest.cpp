#include "HostTestSupport.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

// Selects a program by name, as a host does through the program-change
// parameter, and renders settle + measure seconds.
Stereo RenderProgram(PluginInstance& plugin, const std::string& name, double seconds,
                     int notePitch = -1) {
    int index = FindProgram(plugin, name);
    EXPECT_GE(index, 0) << name;
    plugin.ParameterChanges().Add(kPresetId, ProgramValue(index));
    if (notePitch >= 0) plugin.Events().AddNoteOn(0, static_cast<int16>(notePitch), 1.0f);
    plugin.SetPlaying(true);
    return Render(plugin, static_cast<int>(seconds * kRate));
}

// Frequencies glide with a time constant of a quarter of "Fade" (1 s in
// the programs), so the measurement starts after 4 s and lasts 2 s.
constexpr size_t kSettled = static_cast<size_t>(4 * kRate);
constexpr size_t kEnd = static_cast<size_t>(6 * kRate);

} // namespace

TEST(Audio, SchumannResonanceBeatsAroundTheCarrier) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    Stereo out = RenderProgram(*plugin, "Binaural - 7.83 (Schumann Resonance)", 6.0);
    EXPECT_NEAR(MeasureFrequency(out.left, kSettled, kEnd), 196.085, 0.01);
    EXPECT_NEAR(MeasureFrequency(out.right, kSettled, kEnd), 203.915, 0.01);
}

TEST(Audio, SolfeggioMiIsOneToneInBothEars) {
    ProcessConfig config;
    config.sampleSize = Vst::kSample64;
    config.maxSamplesPerBlock = 1024;
    auto plugin = StartedInstance(config);
    ASSERT_NE(plugin, nullptr);
    int index =
        FindProgram(*plugin, "Solfeggio MI - 528 Hz (Transformation and Miracles, DNA Repair)");
    ASSERT_GE(index, 0);
    plugin->ParameterChanges().Add(kPresetId, ProgramValue(index));
    plugin->SetPlaying(true);
    std::vector<float> left, right;
    std::vector<double> l(1024), r(1024);
    for (size_t done = 0; done < kEnd; done += 1024) {
        double* outputs[2] = {l.data(), r.data()};
        ASSERT_EQ(plugin->Process(1024, nullptr, outputs), kResultOk);
        left.insert(left.end(), l.begin(), l.end());
        right.insert(right.end(), r.begin(), r.end());
    }
    EXPECT_NEAR(MeasureFrequency(left, kSettled, kEnd), 528.0, 0.01);
    EXPECT_NEAR(MeasureFrequency(right, kSettled, kEnd), 528.0, 0.01);
}

TEST(Audio, NotesFollowTheFoldedTuningReference) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    // "432Hz Tunning" is a synthesizer program: note 81 is an octave above
    // 432 Hz, and the beat of 4 Hz is centred on it.
    Stereo out = RenderProgram(*plugin, "432Hz Tunning", 6.0, 81);
    double left = MeasureFrequency(out.left, kSettled, kEnd);
    double right = MeasureFrequency(out.right, kSettled, kEnd);
    EXPECT_NEAR((left + right) / 2, 864.0, 0.01);
    EXPECT_NEAR(left, 862.0, 0.01);
    EXPECT_NEAR(right, 866.0, 0.01);
}
