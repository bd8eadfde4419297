// Speed of the instrument's editor painting on a headless surface (368 x 370,
// the synthesizer layout: background, frequency display, five image knobs
// inside value arcs, three buttons, the wave and centre switches, the fade
// slider): a full repaint, and the timer's repaint after one knob's value
// changed (which includes the frequency display, redrawn at every tick). Each is timed beside one
// opaque full-surface blit in the same iteration (this machine's speed drifts, so only the paired
// ratio is comparable); the knob's repaint is also timed beside a full repaint.
// At display scale 2 (736 x 740 pixels) a full repaint and a knob's turn are
// each timed beside the same at scale 1, in one iteration.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "IControl.h"
#include "InstrumentEditor.h"
#include "PairedRatioReporter.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"

using namespace tonewell::snapshot;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The unit of the ratios: one opaque copy of a whole surface's pixels.
class BlitUnit {
public:
    BlitUnit()
        : source(CLS_TONEWELL::kEditorWidth, CLS_TONEWELL::kEditorHeight, 4),
          target(CLS_TONEWELL::kEditorWidth, CLS_TONEWELL::kEditorHeight, 4) {
        unsigned seed = 1;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                RAST_RowPointer(&source, y)[x] = seed | 0xFF000000u;
            }
    }
    double Time() {
        const Clock::time_point start = Clock::now();
        RAST_BlitRect(&target, &source, 0, 0, nullptr, 1.0f, RAST_MODE_COPY);
        benchmark::DoNotOptimize(target.pixelData());
        benchmark::ClobberMemory();
        return Seconds(Clock::now() - start);
    }

private:
    RAST_MemBitmap source, target;
};

// The editor with its window open and painted once, so images and
// fonts are loaded before timing starts.
class OpenEditor {
public:
    explicit OpenEditor(double scale = 1.0) {
        editor.Surface().SetScaleFactor(scale);
        editor.Surface().OpenEditorWindow(nullptr);
        editor.Surface().Tick();
    }
    double TimeFullRepaint() {
        IGraphicsHeadless& surface = editor.Surface();
        const Clock::time_point start = Clock::now();
        surface.RedrawAll();
        surface.PaintRegion(IBounds{0, 0, surface.PixelWidth(), surface.PixelHeight()});
        benchmark::ClobberMemory();
        return Seconds(Clock::now() - start);
    }

    // The host moves the parameter; the timer paints the dirty box.
    double TimeKnobTurn(int param, double value) {
        IGraphicsHeadless& surface = editor.Surface();
        surface.PushParamToControls(param, value, true);
        const Clock::time_point start = Clock::now();
        surface.PaintDirty(IBounds{});
        benchmark::ClobberMemory();
        return Seconds(Clock::now() - start);
    }

    InstrumentEditor editor;
};

// Per-paint time, the paired blit's time, and their ratio.
void SetPaintCounters(benchmark::State& state, double paintSeconds, double blitSeconds) {
    const double n = double(state.iterations());
    state.counters["us_per_paint"] = paintSeconds * 1e6 / n;
    state.counters["blit_us"] = blitSeconds * 1e6 / n;
    state.counters["x_blit"] = paintSeconds / blitSeconds;
}

void FullRepaint(benchmark::State& state) {
    OpenEditor open;
    BlitUnit unit;
    double paintSeconds = 0.0, blitSeconds = 0.0;
    for (auto _ : state) {
        const double paint = open.TimeFullRepaint();
        blitSeconds += unit.Time();
        paintSeconds += paint;
        state.SetIterationTime(paint);
    }
    SetPaintCounters(state, paintSeconds, blitSeconds);
}

// The host moves one knob's parameter between two values; the timer then
// paints the dirty part, which is that knob's box.
void KnobRepaint(benchmark::State& state, int param) {
    OpenEditor open;
    BlitUnit unit;
    IGraphicsHeadless& surface = open.editor.Surface();
    double paintSeconds = 0.0, blitSeconds = 0.0, fullSeconds = 0.0;
    bool high = false;
    for (auto _ : state) {
        high = !high;
        surface.PushParamToControls(param, high ? 0.7 : 0.3, true);
        const Clock::time_point start = Clock::now();
        surface.PaintDirty(IBounds{});
        benchmark::ClobberMemory();
        const double paint = Seconds(Clock::now() - start);
        blitSeconds += unit.Time();
        // Leaves nothing dirty for the next round.
        fullSeconds += open.TimeFullRepaint();
        paintSeconds += paint;
        state.SetIterationTime(paint);
    }
    SetPaintCounters(state, paintSeconds, blitSeconds);
    const double n = double(state.iterations());
    state.counters["full_us"] = fullSeconds * 1e6 / n;
    state.counters["x_full"] = paintSeconds / fullSeconds;
}

// The same work at scale 2 and at scale 1 in each iteration: a full repaint
// (param < 0) or one knob's turn and the display.
void ScaledPaint(benchmark::State& state, int param) {
    OpenEditor single(1.0), twice(2.0);
    BlitUnit unit;
    double seconds2 = 0.0, seconds1 = 0.0, blitSeconds = 0.0;
    bool high = false;
    for (auto _ : state) {
        high = !high;
        const double value = high ? 0.7 : 0.3;
        const double paint = param < 0 ? twice.TimeFullRepaint() : twice.TimeKnobTurn(param, value);
        seconds1 += param < 0 ? single.TimeFullRepaint() : single.TimeKnobTurn(param, value);
        blitSeconds += unit.Time();
        seconds2 += paint;
        state.SetIterationTime(paint);
    }
    SetPaintCounters(state, seconds2, blitSeconds);
    state.counters["us_1x"] = seconds1 * 1e6 / double(state.iterations());
    state.counters["x_1x"] = seconds2 / seconds1;
}

// The paired summary, then each knob's repaint as a share of the full
// repaint timed in the same iterations.
class GuiReporter : public PairedRatioReporter {
public:
    using PairedRatioReporter::PairedRatioReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        PairedRatioReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const auto share = run.counters.find("x_full");
            if (!run.error_occurred && (single || median) && share != run.counters.end())
                shares[run.run_name.function_name] = share->second.value;
        }
    }

    void Finalize() override {
        PairedRatioReporter::Finalize();
        if (shares.empty()) return;
        std::printf("\n%-34s %12s\n", "case", "x full");
        for (const auto& [name, share] : shares)
            std::printf("%-34s %12.3f\n", name.c_str(), share);
    }

private:
    std::map<std::string, double> shares;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("Repaint/Full", FullRepaint)
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    // "Binaural" is a large knob, "Volume" a small one.
    benchmark::RegisterBenchmark("Repaint/LargeKnob", KnobRepaint, int{ParamBeatFreq})
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("Repaint/SmallKnob", KnobRepaint, int{ParamVolume})
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("Scale2/Full", ScaledPaint, -1)
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("Scale2/LargeKnob", ScaledPaint, int{ParamBeatFreq})
        ->Unit(benchmark::kMicrosecond)
        ->UseManualTime();
    GuiReporter reporter({"case (368 x 370 surface)", "us_per_paint", "us/paint", "blit_us",
                          "blit us", "x_blit", "x blit", 1, "us_1x", "1x us", "x_1x", "x 1x"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
