#include "StressAudioThread.h"

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

using namespace Steinberg;

void StressAudioThread::Run(const std::atomic<bool>& stop) {
    std::mt19937 random(1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    Vst::AudioBusBuffers in{}, out{};
    in.numChannels = out.numChannels = 2;
    in.channelBuffers32 = inputs;
    out.channelBuffers32 = outputs;
    Vst::ProcessContext context{};
    context.state = Vst::ProcessContext::kPlaying;
    context.sampleRate = 48000.0;
    context.tempo = 120.0;

    while (!stop.load()) {
        changes.Clear();
        events.Clear();
        if (everyBlock >= 0) changes.Add(static_cast<Vst::ParamID>(everyBlock), unit(random));
        const int kind = static_cast<int>(random() % 8);
        if (kind < 4)
            changes.Add(static_cast<Vst::ParamID>(random() % kNumEngineParams), unit(random));
        else if (kind == 4)
            changes.Add(ICoreVST3::kProgramChangeId, unit(random));
        else if (kind == 5)
            events.AddNoteOn(0, static_cast<int16>(40 + random() % 40), 0.8f);
        else if (kind == 6)
            events.AddNoteOff(0, static_cast<int16>(40 + random() % 40));
        Vst::ProcessData data{};
        data.processMode = Vst::kRealtime;
        data.symbolicSampleSize = Vst::kSample32;
        data.numSamples = kBlock;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &in;
        data.outputs = &out;
        data.inputParameterChanges = &changes;
        data.inputEvents = &events;
        data.processContext = &context;
        plug.process(data);
        for (int i = 0; i < kBlock; ++i)
            if (!std::isfinite(outL[static_cast<size_t>(i)]) ||
                !std::isfinite(outR[static_cast<size_t>(i)]))
                ++nonFinite;
        context.projectTimeSamples += kBlock;
        ++blocks;
    }
}

double StressSeconds(double byDefault) {
    const char* text = std::getenv("TONEWELL_STRESS_SECONDS");
    const double seconds = text ? std::atof(text) : byDefault;
    return seconds > 0.0 ? seconds : byDefault;
}
