// Hosts that make notices hard: handlers whose reference counting does
// nothing and that are freed as soon as the plug-in lets go, a lock held
// around terminate that the restart takes too, terminate on another thread,
// and (Windows) a plug-in initialised on a thread that never pumps messages
// or ends. Every step that could hang runs under a watchdog.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "HostTestSupport.h"
#include "UiLoop.h"

using namespace Steinberg;
using namespace hosttest;
using tonewell::hostkit::RunUiLoopUntil;

namespace {

// Calls into a handler the host has freed (counted, and under
// AddressSanitizer also caught, since the handler is really freed there).
std::atomic<int> callsAfterFree{0};

class BareHandler : public Vst::IComponentHandler {
public:
    std::function<void()> onRestart;
    std::atomic<bool> entered{false}, inside{false};
    std::atomic<int> restarts{0}, references{0};
    std::atomic<bool> freed{false};

    tresult PLUGIN_API restartComponent(int32) override {
        if (freed) ++callsAfterFree;
        entered = inside = true;
        ++restarts;
        if (onRestart) onRestart();
        inside = false;
        return kResultOk;
    }
    tresult PLUGIN_API beginEdit(Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(Vst::ParamID, Vst::ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(Vst::ParamID) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler::iid)) {
            addRef();
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    // Counted only to see who still holds it; it never deletes itself.
    uint32 PLUGIN_API addRef() override {
        if (freed) ++callsAfterFree;
        return static_cast<uint32>(++references);
    }
    uint32 PLUGIN_API release() override {
        if (freed) ++callsAfterFree;
        return static_cast<uint32>(--references);
    }
};

void Free(std::unique_ptr<BareHandler>& handler) {
    handler->freed = true;
#if defined(__SANITIZE_ADDRESS__)
    handler.reset();
#endif
}

// Runs body; when it has not returned within ms the test program ends with
// the step's name, as a hang cannot be recovered from.
void Within(int ms, const char* step, const std::function<void()>& body) {
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!returned.wait_for(lock, std::chrono::milliseconds(ms), [&] { return done; })) {
            std::fprintf(stderr, "%s: no return within %d ms\n", step, ms);
            std::_Exit(1);
        }
    });
    body();
    {
        std::lock_guard<std::mutex> hold(mutex);
        done = true;
    }
    returned.notify_one();
    watchdog.join();
}

// Waits without turning the UI loop (a host busy elsewhere).
bool WaitWithoutLoop(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Select(PluginInstance& plugin, const char* program) {
    const int index = FindProgram(plugin, program);
    ASSERT_GT(index, 0) << program;
    plugin.Controller()->setParamNormalized(kPresetId, ProgramValue(index));
}

constexpr const char* kSchumann = "Binaural - 7.83 (Schumann Resonance)";
constexpr const char* kSolfeggio =
    "Solfeggio MI - 528 Hz (Transformation and Miracles, DNA Repair)";

} // namespace

// The host frees a handler as soon as setComponentHandler(other) or
// terminate returns, while a restart is under way in it and another waits:
// that restart has returned by then, and nothing starts in it afterwards.
TEST(HostileHost, AHandlerFreedWhenReplacedOrTerminatedHearsNothingMore) {
    for (bool terminate : {false, true}) {
        SCOPED_TRACE(terminate ? "terminate" : "setComponentHandler(other)");
        callsAfterFree = 0;
        auto plugin = NewInstance();
        ASSERT_NE(plugin, nullptr);
        Vst::IEditController* controller = plugin->Controller();
        auto first = std::make_unique<BareHandler>();
        auto second = std::make_unique<BareHandler>();
        first->onRestart = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
        controller->setComponentHandler(first.get());
        Select(*plugin, kSchumann);
        ASSERT_TRUE(RunUiLoopUntil([&] { return first->entered.load(); }, 2000));
        // And one more waiting: it is dropped with the handler.
        Select(*plugin, kSolfeggio);
        Within(2000, "switching handlers", [&] {
            if (terminate)
                controller->terminate();
            else
                controller->setComponentHandler(second.get());
        });
        EXPECT_FALSE(first->inside) << "a restart was still under way in the freed handler";
        EXPECT_EQ(first->references, 0) << "the plug-in still holds the freed handler";
        Free(first);
        Select(*plugin, kSchumann);
        RunUiLoopUntil([&] { return second->restarts > 0; }, terminate ? 100 : 2000);
        EXPECT_EQ(second->restarts, terminate ? 0 : 1);
        EXPECT_EQ(callsAfterFree, 0);
        if (!terminate) controller->setComponentHandler(nullptr);
    }
}

// The host takes one lock around terminate (or its final release) and the
// same lock in restartComponent, while a restart waits for it: the plug-in
// must not wait for that restart for ever.
TEST(HostileHost, ALockHeldAroundTerminateAndTakenInTheRestartHangsNothing) {
    for (bool finalRelease : {false, true}) {
        SCOPED_TRACE(finalRelease ? "final release" : "terminate");
        auto plugin = NewInstance();
        ASSERT_NE(plugin, nullptr);
        BareHandler handler;
        std::mutex hostLock;
        handler.onRestart = [&] { std::lock_guard<std::mutex> hold(hostLock); };
        plugin->Controller()->setComponentHandler(&handler);
        {
            std::unique_lock<std::mutex> hold(hostLock);
            Select(*plugin, kSchumann);
            // The module's thread is inside the restart, waiting for the lock.
            ASSERT_TRUE(WaitWithoutLoop([&] { return handler.entered.load(); }, 2000));
            Within(2000, finalRelease ? "final release" : "terminate", [&] {
                if (finalRelease)
                    plugin.reset();
                else
                    plugin->Controller()->terminate();
            });
        }
        // The waiting restart goes on in the handler, which the host keeps
        // until the plug-in lets go of it.
        plugin.reset();
        EXPECT_TRUE(WaitWithoutLoop([&] { return handler.references == 0; }, 2000));
    }
}

// terminate on a thread of the host's other than the one that initialised
// the plug-in, then a new instance: its notices still come.
TEST(HostileHost, TerminatedOnAnotherThreadThenANewInstanceIsNotified) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Select(*plugin, kSchumann);
    std::thread([&] {
        Within(2000, "terminate on another thread", [&] { plugin->Controller()->terminate(); });
    }).join();
    plugin.reset();
    auto next = NewInstance();
    ASSERT_NE(next, nullptr);
    Select(*next, kSolfeggio);
    EXPECT_TRUE(RunUiLoopUntil(
        [&] { return next->Handler().Restarts(Vst::kParamValuesChanged) == 1; }, 2000));
}

#ifdef _WIN32
// The thread that initialised the plug-in ends, or lives on without ever
// pumping messages: notices still reach the host, by the module's thread.
TEST(HostileHost, InitialisedOnAThreadThatEndsOrNeverPumps) {
    std::unique_ptr<PluginInstance> ended;
    std::thread([&] { ended = NewInstance(); }).join();
    ASSERT_NE(ended, nullptr);
    Select(*ended, kSchumann);
    EXPECT_TRUE(WaitWithoutLoop(
        [&] { return ended->Handler().Restarts(Vst::kParamValuesChanged) == 1; }, 2000));

    std::unique_ptr<PluginInstance> idle;
    std::atomic<bool> made{false}, finish{false};
    std::thread owner([&] {
        idle = NewInstance();
        made = true;
        WaitWithoutLoop([&] { return finish.load(); }, 10000);
    });
    ASSERT_TRUE(WaitWithoutLoop([&] { return made.load(); }, 5000));
    ASSERT_NE(idle, nullptr);
    Select(*idle, kSchumann);
    EXPECT_TRUE(WaitWithoutLoop(
        [&] { return idle->Handler().Restarts(Vst::kParamValuesChanged) == 1; }, 2000));
    // Taken down here, on a thread that did not make its window.
    Within(2000, "terminate away from the window's thread", [&] { idle.reset(); });
    finish = true;
    owner.join();
}
#endif
