// The writing side of tonewell-render: conversion of rendered frames into
// 16-bit samples, the peak pass, and whole files written and flushed.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "AudioFileWriter.h"
#include "SampleConversion.h"
#include "TpdfDither.h"

using namespace tonewell::render;

namespace {

constexpr int kBlockFrames = 8192;

struct Frames {
    explicit Frames(int count) : left(count), right(count) {
        for (int i = 0; i < count; ++i) {
            left[i] = 0.5 * std::sin(0.0257 * i);
            right[i] = 0.5 * std::sin(0.0267 * i);
        }
    }
    std::vector<double> left, right;
};

void PerFrame(benchmark::State& state, int frames) {
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(double(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void ConvertPcm16(benchmark::State& state) {
    const bool dither = state.range(0) != 0;
    Frames in(kBlockFrames);
    std::vector<std::int16_t> out(2 * kBlockFrames);
    TpdfDither noise;
    for (auto _ : state) {
        if (dither)
            noise.InterleavePcm16(in.left.data(), in.right.data(), kBlockFrames, out.data());
        else
            InterleavePcm16(in.left.data(), in.right.data(), kBlockFrames, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    PerFrame(state, kBlockFrames);
}
BENCHMARK(ConvertPcm16)->ArgName("dither")->Arg(1)->Arg(0);

void Peak(benchmark::State& state) {
    Frames in(kBlockFrames);
    double peak = 0.0;
    for (auto _ : state) {
        peak = PeakMagnitude(in.right.data(), kBlockFrames,
                             PeakMagnitude(in.left.data(), kBlockFrames, peak));
        benchmark::DoNotOptimize(peak);
    }
    PerFrame(state, kBlockFrames);
}
BENCHMARK(Peak);

// Ten seconds at 48 kHz into a dithered 16-bit WAV file in TMPDIR, written
// and flushed to disk: directly (0) or through libsndfile (1).
void WriteWavFile(benchmark::State& state) {
    const bool throughLibrary = state.range(0) != 0;
    constexpr int kFrames = 480000;
    Frames in(kFrames);
    const char* folder = std::getenv("TMPDIR");
    const std::string path = std::string(folder ? folder : "/tmp") + "/tonewell_writer_bench.wav";
    for (auto _ : state) {
        const int descriptor = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
        if (descriptor < 0) {
            state.SkipWithError("cannot create the file");
            break;
        }
        AudioFileWriter writer(descriptor, path, FileType::Wav, SampleFormat::Pcm16, 48000, 2,
                               kFrames, true, throughLibrary);
        for (int done = 0; done < kFrames; done += kBlockFrames)
            writer.Write(in.left.data() + done, in.right.data() + done,
                         std::min(kBlockFrames, kFrames - done));
        writer.Close();
        state.PauseTiming();
        unlink(path.c_str());
        state.ResumeTiming();
    }
    PerFrame(state, kFrames);
    state.SetBytesProcessed(state.iterations() * std::int64_t(kFrames) * 4);
}
BENCHMARK(WriteWavFile)->ArgName("library")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
