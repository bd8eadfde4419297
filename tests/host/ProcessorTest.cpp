#include <cmath>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/vstspeaker.h>
#include <random>
#include <thread>

#include "HostTestSupport.h"
#include "Utf16.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

bool AllFinite(const Stereo& s) {
    for (size_t i = 0; i < s.left.size(); ++i)
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) return false;
    return true;
}

// Generator mode, audible on a playing transport.
void SelectGenerator(PluginInstance& plugin) {
    plugin.ParameterChanges().Add(Mode, 0.0);
    plugin.SetPlaying(true);
}

} // namespace

TEST(Processor, AnnouncesStereoBusesAndANoteInput) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IComponent* component = plugin->Component();
    ASSERT_EQ(component->getBusCount(Vst::kAudio, Vst::kInput), 1);
    ASSERT_EQ(component->getBusCount(Vst::kAudio, Vst::kOutput), 1);
    ASSERT_EQ(component->getBusCount(Vst::kEvent, Vst::kInput), 1);
    EXPECT_EQ(component->getBusCount(Vst::kEvent, Vst::kOutput), 0);

    struct Expected {
        Vst::MediaType type;
        Vst::BusDirection direction;
        const char* name;
        int32 channels;
    } buses[] = {{Vst::kAudio, Vst::kInput, "Main Input", 2},
                 {Vst::kAudio, Vst::kOutput, "Output 1", 2},
                 {Vst::kEvent, Vst::kInput, "MIDI Input", 1}};
    for (const Expected& bus : buses) {
        Vst::BusInfo info{};
        ASSERT_EQ(component->getBusInfo(bus.type, bus.direction, 0, info), kResultOk);
        EXPECT_EQ(tonewell::hostkit::ToUtf8(info.name, 128), bus.name);
        EXPECT_EQ(info.channelCount, bus.channels);
        EXPECT_EQ(info.busType, Vst::kMain);
        EXPECT_EQ(info.flags & Vst::BusInfo::kDefaultActive, Vst::BusInfo::kDefaultActive);
        EXPECT_NE(component->getBusInfo(bus.type, bus.direction, 1, info), kResultOk);
        EXPECT_NE(component->getBusInfo(bus.type, bus.direction, -1, info), kResultOk);
    }
    Vst::SpeakerArrangement arrangement = 0;
    EXPECT_EQ(plugin->Processor()->getBusArrangement(Vst::kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, Vst::SpeakerArr::kStereo);
    EXPECT_EQ(plugin->Processor()->getLatencySamples(), 0u);
}

TEST(Processor, AcceptsOnlyLegalChannelConfigurations) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IAudioProcessor* processor = plugin->Processor();
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo, mono = Vst::SpeakerArr::kMono,
                            surround = Vst::SpeakerArr::k51;
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(nullptr, 0, nullptr, 0), kResultFalse);
    // The refused requests left the stereo buses in place.
    Vst::SpeakerArrangement arrangement = 0;
    EXPECT_EQ(processor->getBusArrangement(Vst::kOutput, 0, arrangement), kResultOk);
    EXPECT_EQ(arrangement, Vst::SpeakerArr::kStereo);

    EXPECT_EQ(processor->canProcessSampleSize(Vst::kSample32), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(Vst::kSample64), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(2), kResultFalse);
    Vst::ProcessSetup setup{Vst::kRealtime, 7, 512, kRate};
    EXPECT_EQ(processor->setupProcessing(setup), kResultFalse);
}

TEST(Processor, GeneratorSoundsOnlyWhileTheTransportPlays) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    plugin->ParameterChanges().Add(Mode, 0.0);
    Stereo stopped = Render(*plugin, 4800);
    EXPECT_EQ(Peak(stopped.left, 0, 4800), 0.f);

    plugin->SetPlaying(true);
    Stereo playing = Render(*plugin, 4800);
    EXPECT_GT(Peak(playing.left, 512, 4800), 0.3f);
    EXPECT_GT(Peak(playing.right, 512, 4800), 0.3f);

    // Stopping fades out over one block, then the output is silent again.
    plugin->SetPlaying(false);
    Stereo after = Render(*plugin, 4800);
    EXPECT_EQ(Peak(after.left, 512, 4800), 0.f);
}

TEST(Processor, SixtyFourBitOutputMatchesThirtyTwoBit) {
    ProcessConfig config64;
    config64.sampleSize = Vst::kSample64;
    auto plugin32 = StartedInstance();
    auto plugin64 = StartedInstance(config64);
    ASSERT_TRUE(plugin32 && plugin64);
    SelectGenerator(*plugin32);
    SelectGenerator(*plugin64);
    Stereo out32 = Render(*plugin32, 2048, 256);
    std::vector<double> left(256), right(256);
    for (int block = 0; block < 8; ++block) {
        double* outputs[2] = {left.data(), right.data()};
        ASSERT_EQ(plugin64->Process(256, nullptr, outputs), kResultOk);
        for (int i = 0; i < 256; ++i) {
            size_t at = static_cast<size_t>(block * 256 + i);
            ASSERT_NEAR(left[static_cast<size_t>(i)], out32.left[at], 1e-6) << at;
            ASSERT_NEAR(right[static_cast<size_t>(i)], out32.right[at], 1e-6) << at;
        }
    }
    EXPECT_GT(Peak(out32.left, 0, 2048), 0.1f);
}

TEST(Processor, OnlyTheLastPointOfAQueueCounts) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    auto& changes = plugin->ParameterChanges();
    changes.Add(Volume, 0.1, 0);
    changes.Add(Volume, 1.0, 100);
    changes.Add(Volume, 0.5, 200);
    changes.Add(Wave, 1.0, 0);
    changes.Add(Wave, 2.0 / 3.0, 10);
    Render(*plugin, 256);
    std::vector<double> values = PlainValues(*plugin);
    ASSERT_EQ(values.size(), 12u);
    EXPECT_EQ(values[Volume], 50.0);
    EXPECT_EQ(values[Wave], 2.0);
    EXPECT_NEAR(plugin->Controller()->getParamNormalized(Volume), 0.5, 1e-12);
}

TEST(Processor, ProgramChangeRestoresTheChosenPreset) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    // (130 - 1) x 0.5 + 0.5 = 65: "Binaural - 38.0 (Endorphin release)".
    plugin->ParameterChanges().Add(kPresetId, 0.5);
    Render(*plugin, 256);
    EXPECT_NEAR(plugin->Controller()->getParamNormalized(kPresetId), ProgramValue(65), 1e-12);
    std::vector<double> values = PlainValues(*plugin);
    ASSERT_EQ(values.size(), 12u);
    EXPECT_EQ(values[Binaural], 38.0);
    EXPECT_EQ(values[Mode], 0.0);
    EXPECT_EQ(values[CenterFreq], 1.0);

    // Unknown ids in the same block are ignored.
    plugin->ParameterChanges().Add(999, 0.7);
    plugin->ParameterChanges().Add(kPresetId, ProgramValue(119));
    Render(*plugin, 256);
    values = PlainValues(*plugin);
    EXPECT_NEAR(values[Frequency], 528.0, 1e-9);
    EXPECT_EQ(values[Binaural], 0.0);
}

TEST(Processor, BypassPassesTheInputThrough) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    SelectGenerator(*plugin);
    plugin->ParameterChanges().Add(kBypassId, 1.0);
    std::vector<float> inL(512), inR(512), outL(512), outR(512);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (size_t i = 0; i < 512; ++i) {
        inL[i] = noise(random);
        inR[i] = noise(random);
    }
    const float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    ASSERT_EQ(plugin->Process(512, inputs, outputs), kResultOk);
    EXPECT_EQ(outL, inL);
    EXPECT_EQ(outR, inR);
    EXPECT_EQ(plugin->Controller()->getParamNormalized(kBypassId), 1.0);

    plugin->ParameterChanges().Add(kBypassId, 0.0);
    ASSERT_EQ(plugin->Process(512, inputs, outputs), kResultOk);
    EXPECT_NE(outL, inL);
    EXPECT_EQ(plugin->Controller()->getParamNormalized(kBypassId), 0.0);
}

TEST(Processor, NoteVelocityIsScaledTo127AndTruncated) {
    // Synthesizer mode is the default; attack 0 reaches full level at once.
    auto peakFor = [](float velocity) {
        auto plugin = StartedInstance();
        if (!plugin) return -1.f;
        plugin->ParameterChanges().Add(Attack, 0.0);
        plugin->Events().AddNoteOn(0, 69, velocity);
        Stereo out = Render(*plugin, 9600);
        return Peak(out.left, 4800, 9600);
    };
    float full = peakFor(1.0f);
    float almost = peakFor(0.999f);
    float half = peakFor(0.5f);
    ASSERT_GT(full, 0.3f);
    EXPECT_NEAR(almost / full, 126.0 / 127.0, 2e-4);
    EXPECT_NEAR(half / full, 63.0 / 127.0, 2e-4);
}

TEST(Processor, NoteOffReleasesAndGeneratorIgnoresNotes) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    plugin->ParameterChanges().Add(Attack, 0.0);
    plugin->ParameterChanges().Add(Release, 0.0);
    plugin->Events().AddNoteOn(0, 60, 1.0f);
    EXPECT_GT(Peak(Render(*plugin, 4800).left, 512, 4800), 0.1f);
    plugin->Events().AddNoteOff(0, 60);
    EXPECT_EQ(Peak(Render(*plugin, 4800).left, 512, 4800), 0.f);

    auto generator = StartedInstance();
    ASSERT_NE(generator, nullptr);
    generator->ParameterChanges().Add(Mode, 0.0);
    generator->Events().AddNoteOn(0, 60, 1.0f);
    EXPECT_EQ(Peak(Render(*generator, 4800).left, 0, 4800), 0.f);
}

TEST(Processor, BlocksLongerThanAnnouncedAreRenderedWhole) {
    ProcessConfig config;
    config.maxSamplesPerBlock = 64;
    auto plugin = StartedInstance(config);
    ASSERT_NE(plugin, nullptr);
    SelectGenerator(*plugin);
    Stereo out = Render(*plugin, 4000, 4000);
    EXPECT_TRUE(AllFinite(out));
    EXPECT_GT(Peak(out.left, 3000, 4000), 0.3f);
    EXPECT_GT(Peak(out.right, 3000, 4000), 0.3f);
    EXPECT_LE(Peak(out.left, 0, 4000), 1.0f);
}

// Hosts that break the rules: none of these may crash, and the process call
// still reports success.
TEST(Processor, SurvivesMalformedProcessData) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    SelectGenerator(*plugin);
    Render(*plugin, 512);
    Vst::IAudioProcessor* processor = plugin->Processor();

    std::vector<float> l(1024, 0.f), r(1024, 0.f), c(1024, 0.f);
    float* stereo[2] = {l.data(), r.data()};
    float* nulls[2] = {nullptr, nullptr};
    float* halfNull[2] = {l.data(), nullptr};
    float* three[3] = {l.data(), r.data(), c.data()};
    auto bus = [](float** channels, int32 count) {
        Vst::AudioBusBuffers b{};
        b.numChannels = count;
        b.channelBuffers32 = channels;
        return b;
    };
    Vst::AudioBusBuffers stereoBus = bus(stereo, 2), nullBus = bus(nulls, 2),
                         halfBus = bus(halfNull, 2), monoBus = bus(stereo, 1),
                         threeBus = bus(three, 3), noChannels = bus(nullptr, 2);
    Vst::AudioBusBuffers twoBuses[2] = {stereoBus, stereoBus};

    struct Case {
        const char* what;
        int32 frames;
        int32 numInputs;
        Vst::AudioBusBuffers* inputs;
        int32 numOutputs;
        Vst::AudioBusBuffers* outputs;
    } cases[] = {
        {"zero frames", 0, 1, &stereoBus, 1, &stereoBus},
        {"negative frames", -5, 1, &stereoBus, 1, &stereoBus},
        {"no buses at all", 256, 0, nullptr, 0, nullptr},
        {"bus counts without arrays", 256, 1, nullptr, 1, nullptr},
        {"no input bus", 256, 0, nullptr, 1, &stereoBus},
        {"null channel arrays", 256, 1, &noChannels, 1, &noChannels},
        {"null channel buffers", 256, 1, &nullBus, 1, &nullBus},
        {"one null output channel", 256, 1, &stereoBus, 1, &halfBus},
        {"mono buses", 256, 1, &monoBus, 1, &monoBus},
        {"three channels", 256, 1, &threeBus, 1, &threeBus},
        {"two output buses", 256, 2, twoBuses, 2, twoBuses},
        {"more frames than announced", 1024, 1, &stereoBus, 1, &stereoBus},
    };
    for (const Case& test : cases) {
        Vst::ProcessContext context{};
        context.sampleRate = kRate;
        context.state = Vst::ProcessContext::kPlaying;
        Vst::ProcessData data{};
        data.processMode = Vst::kRealtime;
        data.symbolicSampleSize = Vst::kSample32;
        data.numSamples = test.frames;
        data.numInputs = test.numInputs;
        data.inputs = test.inputs;
        data.numOutputs = test.numOutputs;
        data.outputs = test.outputs;
        data.processContext = &context;
        EXPECT_EQ(processor->process(data), kResultOk) << test.what;
    }
    for (float sample : l)
        EXPECT_TRUE(std::isfinite(sample));

    // Sixty-four-bit buses without buffers, and no context at all.
    Vst::AudioBusBuffers bus64{};
    bus64.numChannels = 2;
    Vst::ProcessData data{};
    data.symbolicSampleSize = Vst::kSample64;
    data.numSamples = 128;
    data.numInputs = data.numOutputs = 1;
    data.inputs = data.outputs = &bus64;
    EXPECT_EQ(processor->process(data), kResultOk);
}

TEST(Processor, SurvivesProcessingBeforeSetup) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    std::vector<float> l(256, 0.25f), r(256, 0.25f);
    float* channels[2] = {l.data(), r.data()};
    Vst::AudioBusBuffers bus{};
    bus.numChannels = 2;
    bus.channelBuffers32 = channels;
    Vst::ProcessData data{};
    data.symbolicSampleSize = Vst::kSample32;
    data.numSamples = 256;
    data.numInputs = data.numOutputs = 1;
    data.inputs = data.outputs = &bus;
    EXPECT_EQ(plugin->Processor()->process(data), kResultOk);
    for (float sample : l)
        ASSERT_TRUE(std::isfinite(sample));

    // Without initialize no parameter was announced: the output is silence.
    void* object = nullptr;
    PClassInfo info{};
    ASSERT_EQ(Module()->Factory()->getClassInfo(0, &info), kResultOk);
    ASSERT_EQ(Module()->Factory()->createInstance(info.cid, Vst::IAudioProcessor::iid, &object),
              kResultOk);
    IPtr<Vst::IAudioProcessor> raw = owned(static_cast<Vst::IAudioProcessor*>(object));
    std::fill(l.begin(), l.end(), 0.25f);
    std::fill(r.begin(), r.end(), 0.25f);
    std::vector<float> outL(256, 1.f), outR(256, 1.f);
    float* outChannels[2] = {outL.data(), outR.data()};
    Vst::AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outChannels;
    data.outputs = &outBus;
    EXPECT_EQ(raw->process(data), kResultOk);
    EXPECT_EQ(Peak(outL, 0, 256), 0.f);
    EXPECT_EQ(Peak(outR, 0, 256), 0.f);
}

TEST(Processor, InstancesCreatedOnSeveralThreadsAreIndependent) {
    PluginModule* module = Module();
    ASSERT_NE(module, nullptr);
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<PluginInstance>> plugins(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            std::string error;
            plugins[static_cast<size_t>(i)] =
                PluginInstance::CreateByName(*module, "Tonewell", Host(), error);
        });
    for (auto& thread : threads)
        thread.join();
    for (int i = 0; i < kThreads; ++i) {
        ASSERT_NE(plugins[static_cast<size_t>(i)], nullptr);
        plugins[static_cast<size_t>(i)]->Controller()->setParamNormalized(Volume, i / 10.0);
    }
    for (int i = 0; i < kThreads; ++i)
        EXPECT_DOUBLE_EQ(plugins[static_cast<size_t>(i)]->Controller()->getParamNormalized(Volume),
                         i / 10.0);
}

// A host that switches the output bus off may still hand over its buffers:
// whatever it left in them stays there, in either sample size.
TEST(Processor, ADeactivatedOutputBusIsLeftUntouched) {
    for (int32 sampleSize : {Vst::kSample32, Vst::kSample64}) {
        SCOPED_TRACE(sampleSize);
        ProcessConfig config;
        config.sampleSize = sampleSize;
        auto plugin = StartedInstance(config);
        ASSERT_NE(plugin, nullptr);
        SelectGenerator(*plugin);
        Render(*plugin, 512);
        ASSERT_EQ(plugin->Component()->setActive(false), kResultOk);
        ASSERT_EQ(plugin->Component()->activateBus(Vst::kAudio, Vst::kOutput, 0, false),
                  kResultTrue);
        ASSERT_EQ(plugin->Component()->setActive(true), kResultOk);

        constexpr float kLeft = 0.125f, kRight = -0.375f;
        for (int block = 0; block < 4; ++block) {
            if (sampleSize == Vst::kSample32) {
                std::vector<float> left(256, kLeft), right(256, kRight);
                float* outputs[2] = {left.data(), right.data()};
                ASSERT_EQ(plugin->Process(256, static_cast<const float* const*>(nullptr), outputs),
                          kResultOk);
                EXPECT_EQ(left, std::vector<float>(256, kLeft));
                EXPECT_EQ(right, std::vector<float>(256, kRight));
            } else {
                std::vector<double> left(256, kLeft), right(256, kRight);
                double* outputs[2] = {left.data(), right.data()};
                ASSERT_EQ(plugin->Process(256, static_cast<const double* const*>(nullptr), outputs),
                          kResultOk);
                EXPECT_EQ(left, std::vector<double>(256, kLeft));
                EXPECT_EQ(right, std::vector<double>(256, kRight));
            }
        }
    }
}
