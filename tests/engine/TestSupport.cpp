#include "TestSupport.h"

#include <cmath>

StereoBuffers::StereoBuffers(int frames, double inputLevel)
    : inL(static_cast<size_t>(frames), inputLevel), inR(static_cast<size_t>(frames), -inputLevel),
      outL(static_cast<size_t>(frames)),
      outR(static_cast<size_t>(frames)), inputs{inL.data(), inR.data()}, outputs{outL.data(),
                                                                                 outR.data()} {}

EngineHarness::EngineHarness(double rate_, int blockSize_) : rate(rate_), blockSize(blockSize_) {
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample64,
                                       blockSize, rate};
    plug.setupProcessing(setup);
    // Registering the parameters announces each to the engine once.
    plug.initialize(nullptr);
    plug.IdentifyHost("Test Host", 0);
    SetTransport(1, 0);
}

EngineHarness::~EngineHarness() {
    plug.terminate();
}

void EngineHarness::Setup(double newRate, int newBlockSize) {
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample64,
                                       newBlockSize, newRate};
    plug.setupProcessing(setup);
}

void EngineHarness::Set(int index, double plain) {
    PluginLock::Holder hold(plug.Lock());
    plug.GetParam(index)->SetPlainValue(plain);
    plug.ApplyParameter(index);
}

void EngineHarness::SetTransport(int state, int32_t position) {
    using Steinberg::Vst::ProcessContext;
    context.state = state == 1   ? ProcessContext::kPlaying
                    : state == 2 ? ProcessContext::kRecording
                                 : 0;
    context.projectTimeSamples = position;
    context.sampleRate = rate;
    plug.SetProcessContext(context);
}

StereoBuffers EngineHarness::Render(int frames, double inputLevel) {
    StereoBuffers buffers(frames, inputLevel);
    plug.RenderAudio(buffers.inputs, buffers.outputs, frames);
    clockRemainder += frames * 1000.0 / rate;
    const double wholeMs = std::floor(clockRemainder);
    plug.clockMs += static_cast<uint32_t>(wholeMs);
    clockRemainder -= wholeMs;
    if (context.state != 0) {
        context.projectTimeSamples += frames;
        plug.SetProcessContext(context);
    }
    return buffers;
}

void EngineHarness::RenderSeconds(double seconds, std::vector<double>& left,
                                  std::vector<double>& right) {
    const long total = std::lround(seconds * rate);
    for (long done = 0; done < total; done += blockSize) {
        const StereoBuffers block = Render(blockSize);
        left.insert(left.end(), block.outL.begin(), block.outL.end());
        right.insert(right.end(), block.outR.begin(), block.outR.end());
    }
}

void EngineHarness::Note(uint8_t status, uint8_t note, uint8_t velocity) {
    MidiMessage message;
    message.status = status;
    message.data1 = note;
    message.data2 = velocity;
    plug.HandleMidiMessage(message);
}

double EngineHarness::IncrementHz(double increment) const {
    return increment * rate / 6.283185307179586;
}

double MeasureFrequency(const std::vector<double>& samples, double rate) {
    double first = -1.0, last = -1.0;
    long crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0 && samples[i] >= 0.0) {
            const double at = (i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (first < 0.0) first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * rate / (last - first);
}
