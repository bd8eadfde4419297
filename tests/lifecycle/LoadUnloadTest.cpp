// The built module loaded, used and unloaded a thousand times in one process:
// what a host does while scanning and opening projects. Resident memory must
// stay flat once the first cycles have settled. The comparison is a minimal
// module built the same way, whose cycles show what the system's loader keeps
// (under Wine it keeps some of its own each time).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <pluginterfaces/gui/iplugview.h>
#include <string>
#include <thread>
#ifndef _WIN32
#include <dlfcn.h>
#endif

#include "HostApplication.h"
#include "PluginInstance.h"
#include "PluginModule.h"
#include "ResidentMemory.h"
#include "UiLoop.h"

using namespace Steinberg;
using tonewell::hostkit::PluginInstance;
using tonewell::hostkit::PluginModule;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory back; its leak check at exit still runs.
constexpr bool kMemoryIsMeasurable = false;
constexpr int kDefaultCycles = 100;
#else
constexpr bool kMemoryIsMeasurable = true;
constexpr int kDefaultCycles = 1000;
#endif
constexpr int kSettlingCycles = 50;
constexpr double kMiB = 1024.0 * 1024.0;

int Cycles() {
    const char* text = std::getenv("TONEWELL_LOAD_CYCLES");
    const int cycles = text ? std::atoi(text) : kDefaultCycles;
    return cycles > kSettlingCycles ? cycles : kDefaultCycles;
}

// One cycle of the instrument: load, create, process with a program change
// and a note, save and restore the state, make the editor's view, release.
void UseInstrumentOnce(tonewell::hostkit::HostApplication& host) {
    std::string error;
    auto module = PluginModule::Load(TONEWELL_MODULE_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    auto plugin = PluginInstance::CreateByName(*module, "Tonewell", host, error);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_TRUE(plugin->Start({}, error)) << error;
    plugin->SetPlaying(true);
    plugin->ParameterChanges().Add(0x70727374, 83.0 / 129.0);
    plugin->Events().AddNoteOn(0, 69, 0.8f);
    float left[256], right[256];
    float* outputs[2] = {left, right};
    for (int block = 0; block < 4; ++block)
        ASSERT_EQ(plugin->Process(256, static_cast<const float* const*>(nullptr), outputs),
                  kResultOk);
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(plugin->GetState(state, error)) << error;
    ASSERT_EQ(plugin->SetState(state), kResultOk);
    if (IPlugView* view = plugin->Controller()->createView("editor")) {
        ViewRect size;
        view->getSize(&size);
        view->release();
    }
}

void LoadMinimalOnce() {
    std::string error;
    auto module = PluginModule::Load(TONEWELL_MINIMAL_MODULE_PATH, error);
    ASSERT_NE(module, nullptr) << error;
}

// Resident growth, in bytes, over the cycles after the settling ones.
template <typename Cycle> double GrowthOver(int cycles, Cycle cycle) {
    for (int i = 0; i < kSettlingCycles; ++i)
        cycle();
    const double before = static_cast<double>(ResidentBytes());
    for (int i = kSettlingCycles; i < cycles && !testing::Test::HasFatalFailure(); ++i)
        cycle();
    return static_cast<double>(ResidentBytes()) - before;
}

} // namespace

TEST(LoadUnload, ResidentMemoryStaysFlat) {
    IPtr<tonewell::hostkit::HostApplication> host =
        tonewell::hostkit::HostApplication::Create("Load Test Host");
    const int cycles = Cycles();
    // A probe that reads nothing would compare zeros and pass unseen.
    if (kMemoryIsMeasurable) {
        ASSERT_GT(ResidentBytes(), 0u) << "this process's resident memory cannot be read";
    }
    const double minimal = GrowthOver(cycles, [] { LoadMinimalOnce(); });
    ASSERT_FALSE(HasFatalFailure());
    const double instrument = GrowthOver(cycles, [&] { UseInstrumentOnce(*host); });
    ASSERT_FALSE(HasFatalFailure());
    std::printf("%d cycles after %d settling ones: resident growth %.2f MiB with the "
                "instrument, %.2f MiB with the minimal module\n",
                cycles - kSettlingCycles, kSettlingCycles, instrument / kMiB, minimal / kMiB);
    if (!kMemoryIsMeasurable) return;
    // Flat: what the loader keeps anyway, and at most 2 KiB a cycle besides
    // (a leak of the smallest image alone would be ten times that).
    EXPECT_LE(instrument, minimal + 2048.0 * (cycles - kSettlingCycles))
        << "resident memory grew by " << instrument / kMiB << " MiB";
}

// A host that unloads the module right after its last release, with a
// program change's notice on its way to a slow handler by the module's
// thread: the thread is out of the module's code before it goes, and the
// module does go.
TEST(LoadUnload, UnloadedRightAfterTheLastReleaseWithANoticeOnItsWay) {
    IPtr<tonewell::hostkit::HostApplication> host =
        tonewell::hostkit::HostApplication::Create("Load Test Host");
    for (int cycle = 0; cycle < 20; ++cycle) {
        std::string error;
        auto module = PluginModule::Load(TONEWELL_MODULE_PATH, error);
        ASSERT_NE(module, nullptr) << error;
        auto plugin = PluginInstance::CreateByName(*module, "Tonewell", *host, error);
        ASSERT_NE(plugin, nullptr) << error;
        std::atomic<bool> entered{false};
        plugin->Handler().OnRestart([&](int32) {
            entered = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        plugin->Controller()->setParamNormalized(0x70727374, 83.0 / 129.0);
        if (cycle % 2 == 0) tonewell::hostkit::RunUiLoopUntil([&] { return entered.load(); }, 2000);
        plugin.reset();
        module.reset();
    }
#ifndef _WIN32
    void* still = dlopen(TONEWELL_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr) << "the module stayed loaded";
    if (still) dlclose(still);
#endif
}
