// Speed of the tone engine's block rendering, per stereo frame, beside a loop
// that only computes two cosines per frame and beside the engine's own
// one-frame-at-a-time reference. They are timed block by block in turn within
// the same iteration, so drift of a shared machine hits all alike; each case
// reports its ratio to both baselines.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CLS_TONEWELL.h"
#include "PairedRatioReporter.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrames = 512;
constexpr double kRate = 48000.0;
constexpr double kTwoPi = 6.283185307179586;

struct Buffers {
    std::vector<double> inL = std::vector<double>(kFrames, 0.0);
    std::vector<double> inR = std::vector<double>(kFrames, 0.0);
    std::vector<double> outL = std::vector<double>(kFrames, 0.0);
    std::vector<double> outR = std::vector<double>(kFrames, 0.0);
    double* inputs[2] = {inL.data(), inR.data()};
    double* outputs[2] = {outL.data(), outR.data()};
};

// Two phases advanced per frame and one cos call for each: the least any
// two-oscillator sine generator has to do.
class TwoCosLoop {
public:
    void Render(Buffers& buffers) {
        for (int i = 0; i < kFrames; ++i) {
            buffers.outL[i] = std::cos(phaseL);
            buffers.outR[i] = std::cos(phaseR);
            phaseL += incL;
            if (phaseL >= kTwoPi) phaseL -= kTwoPi;
            phaseR += incR;
            if (phaseR >= kTwoPi) phaseR -= kTwoPi;
        }
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::DoNotOptimize(buffers.outR.data());
        benchmark::ClobberMemory();
    }

private:
    const double incL = kTwoPi * 196.085 / kRate;
    const double incR = kTwoPi * 203.915 / kRate;
    double phaseL = 0.0, phaseR = 0.0;
};

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void TwoCosBaseline(benchmark::State& state) {
    Buffers buffers;
    TwoCosLoop baseline;
    for (auto _ : state)
        baseline.Render(buffers);
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// An instrument playing the Schumann program with a wave shape and mix, its
// shapes computed at the given level.
class PlayingInstrument {
public:
    PlayingInstrument(int wave, bool monaural, ShapeKernelLevel level) {
        Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample64,
                                           kFrames, kRate};
        plug.setupProcessing(setup);
        plug.initialize(nullptr);
        Steinberg::Vst::ProcessContext context{};
        context.state = Steinberg::Vst::ProcessContext::kPlaying;
        context.sampleRate = kRate;
        plug.SetProcessContext(context);
        plug.ApplyPreset(83); // a 7.83 Hz binaural beat around 200 Hz
        auto set = [this](int index, double plain) {
            plug.GetParam(index)->SetPlainValue(plain);
            plug.ApplyParameter(index);
        };
        set(ParamWave, wave);
        set(ParamBeats, monaural ? 1 : 0);
        plug.SetShapeKernelLevel(level);
        Render(); // first block: no glide
    }

    void Render() {
        PluginLock::Holder hold(plug.Lock());
        plug.ProcessBlock(buffers.inputs, buffers.outputs, kFrames);
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::ClobberMemory();
    }

private:
    CLS_TONEWELL plug;
    Buffers buffers;
};

// The instrument as it runs, against the two-cos loop and against itself
// with the one-frame-at-a-time reference, the three timed in turn.
void ProcessBlockCase(benchmark::State& state, int wave, bool monaural) {
    PlayingInstrument engine(wave, monaural, BestShapeKernelLevel());
    PlayingInstrument reference(wave, monaural, ShapeKernelLevel::Reference);
    Buffers baselineBuffers;
    TwoCosLoop baseline;

    double engineSeconds = 0.0, baselineSeconds = 0.0, referenceSeconds = 0.0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        engine.Render();
        const Clock::time_point engineDone = Clock::now();
        baseline.Render(baselineBuffers);
        const Clock::time_point baselineDone = Clock::now();
        reference.Render();
        const Clock::time_point referenceDone = Clock::now();

        const double engineTime = Seconds(engineDone - start);
        state.SetIterationTime(engineTime);
        engineSeconds += engineTime;
        baselineSeconds += Seconds(baselineDone - engineDone);
        referenceSeconds += Seconds(referenceDone - baselineDone);
    }
    const double frames = static_cast<double>(state.iterations()) * kFrames;
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] = engineSeconds * 1e9 / frames;
    state.counters["baseline_ns"] = baselineSeconds * 1e9 / frames;
    state.counters["x_baseline"] = engineSeconds / baselineSeconds;
    state.counters["reference_ns"] = referenceSeconds * 1e9 / frames;
    state.counters["x_reference"] = engineSeconds / referenceSeconds;
}

// The adapter's whole 32-bit process call (context copy, conversion to and
// from the 64-bit scratch buffers, the engine) against the engine's own
// ProcessBlock on a second instance with the same settings, timed in turn.
void Process32Adapter(benchmark::State& state) {
    auto prepare = [](CLS_TONEWELL& plug) {
        Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32,
                                           kFrames, kRate};
        plug.setupProcessing(setup);
        plug.initialize(nullptr);
        plug.ApplyPreset(83);
    };
    CLS_TONEWELL adapted, direct;
    prepare(adapted);
    prepare(direct);

    Steinberg::Vst::ProcessContext context{};
    context.state = Steinberg::Vst::ProcessContext::kPlaying;
    context.sampleRate = kRate;
    direct.SetProcessContext(context);

    std::vector<float> inL(kFrames, 0.0f), inR(kFrames, 0.0f), outL(kFrames), outR(kFrames);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    Steinberg::Vst::AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    inBus.channelBuffers32 = inputs;
    outBus.channelBuffers32 = outputs;
    Steinberg::Vst::ProcessData data{};
    data.processMode = Steinberg::Vst::kRealtime;
    data.symbolicSampleSize = Steinberg::Vst::kSample32;
    data.numSamples = kFrames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.processContext = &context;

    Buffers buffers;
    adapted.process(data); // first blocks: no glide
    direct.ProcessBlock(buffers.inputs, buffers.outputs, kFrames);

    double adapterSeconds = 0.0, engineSeconds = 0.0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        adapted.process(data);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        const Clock::time_point adapterDone = Clock::now();
        {
            PluginLock::Holder hold(direct.Lock());
            direct.ProcessBlock(buffers.inputs, buffers.outputs, kFrames);
        }
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::ClobberMemory();
        const Clock::time_point engineDone = Clock::now();

        const double adapter = Seconds(adapterDone - start);
        state.SetIterationTime(adapter);
        adapterSeconds += adapter;
        engineSeconds += Seconds(engineDone - adapterDone);
    }
    const double frames = static_cast<double>(state.iterations()) * kFrames;
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] = adapterSeconds * 1e9 / frames;
    state.counters["engine_ns"] = engineSeconds * 1e9 / frames;
    state.counters["overhead_pct"] = (adapterSeconds / engineSeconds - 1.0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("TwoCosBaseline", TwoCosBaseline)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("Process32Adapter/Sine/Binaural", Process32Adapter)
        ->Unit(benchmark::kNanosecond)
        ->UseManualTime();
    const char* waves[] = {"Sine", "SineHalf", "Triangle", "Square"};
    for (int wave = 0; wave < 4; ++wave) {
        for (bool monaural : {false, true}) {
            const std::string name =
                std::string("ProcessBlock/") + waves[wave] + (monaural ? "/Monaural" : "/Binaural");
            benchmark::RegisterBenchmark(name.c_str(), ProcessBlockCase, wave, monaural)
                ->Unit(benchmark::kNanosecond)
                ->UseManualTime();
        }
    }
    PairedRatioReporter reporter({"case (512-frame blocks, 48 kHz)", "ns_per_frame", "ns/frame",
                                  "baseline_ns", "two cos ns", "x_baseline", "x baseline", 2,
                                  "reference_ns", "reference ns", "x_reference", "x reference"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
