// Speed of the tone engine's block rendering, per stereo frame, beside a loop
// that only computes two cosines per frame. After the usual table it prints
// each case's ratio to that baseline.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "CLS_TONEWELL.h"

namespace {

constexpr int kFrames = 512;
constexpr double kRate = 48000.0;
constexpr double kTwoPi = 6.283185307179586;
const char* const kBaselineName = "TwoCosBaseline";

struct Buffers {
    std::vector<double> inL = std::vector<double>(kFrames, 0.0);
    std::vector<double> inR = std::vector<double>(kFrames, 0.0);
    std::vector<double> outL = std::vector<double>(kFrames, 0.0);
    std::vector<double> outR = std::vector<double>(kFrames, 0.0);
    double* inputs[2] = {inL.data(), inR.data()};
    double* outputs[2] = {outL.data(), outR.data()};
};

void TwoCosBaseline(benchmark::State& state) {
    Buffers buffers;
    const double incL = kTwoPi * 196.085 / kRate, incR = kTwoPi * 203.915 / kRate;
    double phaseL = 0.0, phaseR = 0.0;
    for (auto _ : state) {
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
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void ProcessBlockCase(benchmark::State& state, int wave, bool monaural) {
    CLS_TONEWELL plug;
    plug.SetupProcessing(kRate, kFrames);
    plug.Initialize("Benchmark");
    ICoreVST3::HostTimeline timeline;
    timeline.transportState = 1;
    plug.SetHostTimeline(timeline);
    plug.ApplyPreset(83); // a 7.83 Hz binaural beat around 200 Hz
    auto set = [&plug](int index, double plain) {
        plug.GetParam(index)->SetPlainValue(plain);
        plug.ApplyParameter(index);
    };
    set(ParamWave, wave);
    set(ParamBeats, monaural ? 1 : 0);

    Buffers buffers;
    PluginLock::Holder hold(plug.Lock());
    plug.ProcessBlock(buffers.inputs, buffers.outputs, kFrames); // first block: no glide
    for (auto _ : state) {
        plug.ProcessBlock(buffers.inputs, buffers.outputs, kFrames);
        benchmark::DoNotOptimize(buffers.outL.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// Prints the usual table, then ns per frame and the ratio to the baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // Single runs, or the median when runs are repeated.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                nsPerFrame[run.run_name.function_name] = run.GetAdjustedRealTime() / kFrames;
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                nsPerFrame[run.run_name.function_name] = run.GetAdjustedRealTime() / kFrames;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto baseline = nsPerFrame.find(kBaselineName);
        if (baseline == nsPerFrame.end()) return;
        std::printf("\n%-34s %12s %10s\n", "case (512-frame blocks, 48 kHz)", "ns/frame",
                    "x baseline");
        for (const auto& [name, ns] : nsPerFrame)
            std::printf("%-34s %12.2f %10.3f\n", name.c_str(), ns, ns / baseline->second);
    }

private:
    std::map<std::string, double> nsPerFrame;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark(kBaselineName, TwoCosBaseline)->Unit(benchmark::kNanosecond);
    const char* waves[] = {"Sine", "SineHalf", "Triangle", "Square"};
    for (int wave = 0; wave < 4; ++wave) {
        for (bool monaural : {false, true}) {
            const std::string name =
                std::string("ProcessBlock/") + waves[wave] + (monaural ? "/Monaural" : "/Binaural");
            benchmark::RegisterBenchmark(name.c_str(), ProcessBlockCase, wave, monaural)
                ->Unit(benchmark::kNanosecond);
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
