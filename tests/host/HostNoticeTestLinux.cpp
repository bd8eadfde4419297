// Restart notices when the host hands out a run loop through its component
// handler, as many Linux hosts do: they go by the loop, on its thread, only
// when it turns, and never to a handler the plug-in has been told to forget.
#include <atomic>
#include <chrono>
#include <thread>

#include "HostRunLoopLinux.h"
#include "HostTestSupport.h"
#include "UiLoop.h"

using namespace Steinberg;
using namespace hosttest;
using tonewell::hostkit::HostRunLoopLinux;
using tonewell::hostkit::RecordingComponentHandler;

namespace {

struct LoopHost {
    IPtr<HostRunLoopLinux> loop = HostRunLoopLinux::Create();
    std::unique_ptr<PluginInstance> plugin;
    int schumann = -1, solfeggio = -1;

    LoopHost() {
        plugin = StartedInstance();
        if (!plugin) return;
        // The handler offers the loop before the plug-in hears of it.
        plugin->Handler().Offer(Linux::IRunLoop::iid, loop);
        plugin->Controller()->setComponentHandler(nullptr);
        plugin->Controller()->setComponentHandler(&plugin->Handler());
        schumann = FindProgram(*plugin, "Binaural - 7.83 (Schumann Resonance)");
        solfeggio =
            FindProgram(*plugin, "Solfeggio MI - 528 Hz (Transformation and Miracles, DNA Repair)");
    }
    void Select(int program) {
        plugin->Controller()->setParamNormalized(kPresetId, ProgramValue(program));
    }
    int Restarts() const { return plugin->Handler().Restarts(Vst::kParamValuesChanged); }
};

void Idle(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST(HostNotice, WaitsForTheLoopAndMergesIntoOneRestartOnItsThread) {
    LoopHost host;
    ASSERT_NE(host.plugin, nullptr);
    ASSERT_GT(host.schumann, 0);
    ASSERT_GT(host.solfeggio, 0);
    std::atomic<bool> onLoopThread{true};
    const auto loopThread = std::this_thread::get_id();
    host.plugin->Handler().OnRestart(
        [&](int32) { onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread; });
    for (int program : {host.schumann, host.solfeggio, host.schumann})
        host.Select(program);
    Idle(50);
    EXPECT_EQ(host.Restarts(), 0) << "a restart came while the loop stood still";
    EXPECT_TRUE(host.loop->RunUntil([&] { return host.Restarts() >= 1; }, 2000));
    host.loop->RunFor(50);
    EXPECT_EQ(host.Restarts(), 1);
    EXPECT_TRUE(onLoopThread);
}

TEST(HostNotice, NoticesForAForgottenHandlerAreDropped) {
    LoopHost host;
    ASSERT_NE(host.plugin, nullptr);
    // Replaced by a handler without a loop: the new one hears nothing of
    // what was asked before.
    host.Select(host.schumann);
    IPtr<RecordingComponentHandler> other = RecordingComponentHandler::Create();
    host.plugin->Controller()->setComponentHandler(other);
    host.loop->RunFor(50);
    Idle(50);
    EXPECT_EQ(host.Restarts(), 0);
    EXPECT_EQ(other->Restarts(Vst::kParamValuesChanged), 0);
    // A later change reaches the new handler, from the module's own thread.
    host.Select(host.solfeggio);
    EXPECT_TRUE(tonewell::hostkit::RunUiLoopUntil(
        [&] { return other->Restarts(Vst::kParamValuesChanged) == 1; }, 2000));

    // Terminated with a notice waiting: the loop's timer goes with it, and
    // the handler hears nothing afterwards.
    IPtr<RecordingComponentHandler> last = RecordingComponentHandler::Create();
    last->Offer(Linux::IRunLoop::iid, host.loop);
    host.plugin->Controller()->setComponentHandler(last);
    EXPECT_EQ(host.loop->TimerCount(), 1);
    host.Select(host.schumann);
    host.plugin.reset();
    EXPECT_EQ(host.loop->TimerCount(), 0);
    host.loop->RunFor(50);
    Idle(50);
    EXPECT_TRUE(last->Calls().empty());
}

// A host that selects another program from inside the restart, and one
// whose loop never turns: no deadlock, every change heard once the loop
// turns.
TEST(HostNotice, ChangesFromInsideTheRestartComeAsALaterRestart) {
    LoopHost host;
    ASSERT_NE(host.plugin, nullptr);
    int nested = 0;
    host.plugin->Handler().OnRestart([&](int32) {
        if (nested++ == 0) host.Select(host.solfeggio);
    });
    host.Select(host.schumann);
    EXPECT_TRUE(host.loop->RunUntil([&] { return host.Restarts() >= 2; }, 2000));
    EXPECT_EQ(host.plugin->Controller()->getParamNormalized(kPresetId),
              ProgramValue(host.solfeggio));
    host.plugin->Handler().OnRestart(nullptr);

    LoopHost idle;
    ASSERT_NE(idle.plugin, nullptr);
    for (int i = 0; i < 100; ++i)
        idle.Select(i % 2 ? idle.schumann : idle.solfeggio);
    idle.plugin.reset();
    EXPECT_EQ(idle.loop->TimerCount(), 0);
}
