// How long the audio thread waits for the plug-in lock while the editor
// paints. One thread drives the instrument's editor (headless, as the snapshot
// tool builds it) without a pause: a drag of the "Volume" knob, a timer tick
// after every step (the knob and the frequency display repainted), and every
// eighth round a full repaint. The benchmark's own thread plays the audio
// thread: once per block period (64 frames at 48 kHz) it takes the lock,
// records how long that took, and on every sixteenth block moves "Binaural"
// as automation would. The counters are percentiles of the waits. Each case
// runs with the audio thread in the ordinary time-sharing class and, where
// the process may, in the real-time class hosts give it; the idle cases leave
// the editor alone and show what the measurement itself costs on this machine.
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "IControl.h"
#include "InstrumentEditor.h"
#include "RealtimeThreadLinux.h"

using namespace tonewell::snapshot;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kBlockPeriod = std::chrono::nanoseconds(1333333); // 64 frames at 48 kHz

// The editor's thread: drags a knob up and down with a tick after every
// step, and repaints everything now and then, until told to stop.
class EditorDriver {
public:
    explicit EditorDriver(InstrumentEditor& editor) : editor(editor) {
        IGraphicsHeadless& surface = editor.Surface();
        surface.OpenEditorWindow(nullptr);
        surface.Tick();
        const IControl* knob = surface.GetControl(editor.ControlOf(ParamVolume));
        const IBounds box = knob ? knob->Bounds() : IBounds{0, 0, 2, 2};
        x = (box.left + box.right) / 2;
        y = (box.top + box.bottom) / 2;
    }

    void Run(const std::atomic<bool>& stop) {
        IGraphicsHeadless& surface = editor.Surface();
        for (int round = 0; !stop.load(std::memory_order_relaxed); ++round) {
            surface.MouseDownAt(x, y, IMouseKeys{});
            for (int step = 1; step <= 10; ++step) {
                surface.MouseDragTo(x, y + (round % 2 == 0 ? -step : step) * 3, IMouseKeys{});
                surface.Tick();
                ++paints;
            }
            surface.MouseUpAt(x, y, IMouseKeys{});
            if (round % 8 == 0) {
                surface.RedrawAll();
                surface.Tick();
                ++paints;
            }
        }
    }

    long Paints() const { return paints; }

private:
    InstrumentEditor& editor;
    int x = 0, y = 0;
    long paints = 0;
};

double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0.0;
    const size_t rank = static_cast<size_t>(std::ceil(p * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

void LockWait(benchmark::State& state, bool painting, bool realtime) {
    InstrumentEditor editor;
    EditorDriver driver(editor);
    PluginLock& lock = editor.Plug().Lock();
    std::vector<double> waits;
    waits.reserve(static_cast<size_t>(state.max_iterations));

    std::atomic<bool> stop{false};
    // Started before this thread changes class, so the editor's keeps the ordinary one.
    std::thread ui([&] {
        if (painting) driver.Run(stop);
    });
    std::unique_ptr<RealtimeThreadLinux> audioClass;
    if (realtime) audioClass = std::make_unique<RealtimeThreadLinux>();
    Clock::time_point next = Clock::now() + kBlockPeriod;
    bool high = false;
    for (auto _ : state) {
        std::this_thread::sleep_until(next);
        // A late wake-up starts the next period from now, as a host would.
        next = std::max(next + kBlockPeriod, Clock::now());
        const Clock::time_point start = Clock::now();
        PluginLock::Holder hold(lock);
        waits.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (waits.size() % 16 == 0) {
            high = !high;
            editor.SetParameter(ParamBeatFreq, high ? 0.6 : 0.4);
        }
    }
    stop.store(true);
    ui.join();
    const bool wasRealtime = audioClass && audioClass->Active();
    audioClass.reset();

    std::sort(waits.begin(), waits.end());
    state.counters["p50_us"] = Percentile(waits, 0.5);
    state.counters["p99_us"] = Percentile(waits, 0.99);
    state.counters["p999_us"] = Percentile(waits, 0.999);
    state.counters["max_us"] = waits.empty() ? 0.0 : waits.back();
    state.counters["paints"] = double(driver.Paints());
    state.counters["realtime"] = wasRealtime ? 1.0 : 0.0;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const struct {
        const char* name;
        bool painting, realtime;
    } cases[] = {{"LockWait/Painting", true, false},
                 {"LockWait/Painting/RealtimeAudio", true, true},
                 {"LockWait/IdleEditor", false, false},
                 {"LockWait/IdleEditor/RealtimeAudio", false, true}};
    // 4000 blocks: about 5.3 s, four waits above the 99.9th percentile.
    for (const auto& c : cases)
        benchmark::RegisterBenchmark(c.name, LockWait, c.painting, c.realtime)
            ->Iterations(4000)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
