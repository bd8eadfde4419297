#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "NoteEventList.h"
#include "ParameterChangeList.h"
#include "TestSupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

TEST(AudioThread, RenderingNotesAndParameterChangesDoNotAllocate) {
    EngineHarness h(48000.0, 512);
    StereoBuffers buffers(512, 0.1);
    MidiMessage noteOn{0, 0x90, 69, 100}, noteOff{0, 0x80, 69, 0};
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512); // first block

    const long before = AllocationCount();
    for (int mode = 0; mode <= 1; ++mode) {
        h.plug.GetParam(ParamMode)->SetFromNormalized(mode);
        h.plug.ApplyParameter(ParamMode);
        for (int beats = 0; beats <= 1; ++beats) {
            h.plug.GetParam(ParamBeats)->SetFromNormalized(beats);
            h.plug.ApplyParameter(ParamBeats);
            for (int wave = 0; wave < 4; ++wave) {
                h.plug.GetParam(ParamWave)->SetFromNormalized(wave / 3.0);
                h.plug.ApplyParameter(ParamWave);
                h.plug.HandleMidiMessage(noteOn);
                h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
                h.plug.GetParam(ParamFrequency)->SetFromNormalized(0.1 * (wave + 1));
                h.plug.ApplyParameter(ParamFrequency);
                h.plug.HandleMidiMessage(noteOff);
                h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
            }
        }
    }
    h.plug.ResetEngine();
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
    const long during = AllocationCount() - before;

    EXPECT_EQ(during, 0);
    EXPECT_TRUE(h.State().started);
}

TEST(AudioThread, HostProcessCallsDoNotAllocate) {
    using namespace Steinberg::Vst;
    CLS_TONEWELL plug;
    plug.initialize(nullptr);
    ProcessSetup setup{kRealtime, kSample32, 256, 48000.0};
    plug.setupProcessing(setup);
    // Hosts activate the buses they use; an inactive output is not written.
    plug.activateBus(kAudio, kInput, 0, true);
    plug.activateBus(kAudio, kOutput, 0, true);

    tonewell::hostkit::ParameterChangeList changes;
    tonewell::hostkit::NoteEventList events;
    std::vector<float> in32(1024, 0.1f), outL32(1024), outR32(1024);
    std::vector<double> in64(1024, 0.1), outL64(1024), outR64(1024);
    float* inputs32[2] = {in32.data(), in32.data()};
    float* outputs32[2] = {outL32.data(), outR32.data()};
    double* inputs64[2] = {in64.data(), in64.data()};
    double* outputs64[2] = {outL64.data(), outR64.data()};
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    ProcessContext context{};
    context.state = ProcessContext::kPlaying;
    ProcessData data{};
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.processContext = &context;
    data.inputParameterChanges = &changes;
    data.inputEvents = &events;
    data.numSamples = 1000; // longer than the block size: processed in pieces

    const long before = AllocationCount();
    // Every program slot once, the five never-filled ones (renamed when
    // first chosen) among them.
    for (int block = 0; block < 130; ++block) {
        changes.Clear();
        events.Clear();
        // Programs (generator and synthesizer ones), a parameter, a note.
        changes.Add(ICoreVST3::kProgramChangeId, block / 129.0);
        changes.Add(ParamVolume, 0.5 + (block % 8) * 0.05);
        events.AddNoteOn(0, static_cast<Steinberg::int16>(60 + block % 8), 0.8f);
        events.AddNoteOff(10, static_cast<Steinberg::int16>(60 + block % 8));
        const bool wide = block % 2 == 1;
        data.symbolicSampleSize = wide ? kSample64 : kSample32;
        inBus.channelBuffers32 = inputs32;
        outBus.channelBuffers32 = outputs32;
        if (wide) {
            inBus.channelBuffers64 = inputs64;
            outBus.channelBuffers64 = outputs64;
        }
        plug.process(data);
        context.projectTimeSamples += data.numSamples;
    }
    const long during = AllocationCount() - before;
    plug.terminate();

    EXPECT_EQ(during, 0);
    EXPECT_NE(outL32[999], 0.0f);
    EXPECT_NE(outL64[999], 0.0);
}

TEST(AudioThread, CounterSeesAllocations) {
    const long before = AllocationCount();
    auto probe = std::make_unique<int>(5);
    EXPECT_GT(AllocationCount(), before);
    EXPECT_EQ(*probe, 5);
}
