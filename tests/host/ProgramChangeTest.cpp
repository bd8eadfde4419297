#include <atomic>
#include <random>
#include <thread>

#include "HostTestSupport.h"
#include "UiLoop.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

using Calls = std::vector<tonewell::hostkit::RecordingComponentHandler::Call>;
using CallKind = tonewell::hostkit::RecordingComponentHandler::CallKind;

int ValueRestarts(PluginInstance& plugin) {
    return plugin.Handler().Restarts(Vst::kParamValuesChanged);
}

// The host's UI loop turns until the plug-in's restarts reach count.
bool AwaitRestarts(PluginInstance& plugin, int count, int ms = 2000) {
    return tonewell::hostkit::RunUiLoopUntil([&] { return ValueRestarts(plugin) >= count; }, ms);
}

std::vector<double> Normalized(PluginInstance& plugin) {
    std::vector<double> values;
    for (int i = 0; i < kParameterCount; ++i)
        values.push_back(plugin.Controller()->getParamNormalized(static_cast<Vst::ParamID>(i)));
    return values;
}

// What the processor alone makes of a program: the values and state bytes of
// an instance that receives the change in a block only.
struct Restored {
    std::vector<double> normalized;
    std::vector<std::uint8_t> state;
};

Restored RestoredByProcessor(int program) {
    auto plugin = StartedInstance();
    if (!plugin) return {};
    plugin->ParameterChanges().Add(kPresetId, ProgramValue(program));
    Render(*plugin, 64);
    Restored restored{Normalized(*plugin), {}};
    std::string error;
    EXPECT_TRUE(plugin->GetState(restored.state, error)) << error;
    return restored;
}

// A host's program change: the controller hears of it on the UI thread and
// the processor in the next block.
void ChangeProgram(PluginInstance& plugin, int program) {
    plugin.Controller()->setParamNormalized(kPresetId, ProgramValue(program));
    plugin.ParameterChanges().Add(kPresetId, ProgramValue(program));
    Render(plugin, 64);
}

} // namespace

TEST(ProgramChange, TheHostSeesTheProgramsValuesAfterOneRestart) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    const int schumann = FindProgram(*plugin, "Binaural - 7.83 (Schumann Resonance)");
    ASSERT_GT(schumann, 0);
    const Restored expected = RestoredByProcessor(schumann);
    ASSERT_EQ(expected.normalized.size(), static_cast<size_t>(kParameterCount));
    ASSERT_NE(Normalized(*plugin), expected.normalized);

    plugin->Handler().Clear();
    // One restart, after the host's call has returned (the notifier's own
    // tests hold a host's call open to show it never comes inside).
    ASSERT_EQ(plugin->Controller()->setParamNormalized(kPresetId, ProgramValue(schumann)),
              kResultOk);
    // Before any block: the controller already holds the program.
    EXPECT_EQ(Normalized(*plugin), expected.normalized);
    EXPECT_TRUE(AwaitRestarts(*plugin, 1));
    EXPECT_EQ(plugin->Handler().Calls().size(), 1u);

    // The processor restores it as before: same values, same state, and no
    // restart from the audio thread.
    plugin->ParameterChanges().Add(kPresetId, ProgramValue(schumann));
    Render(*plugin, 64);
    EXPECT_EQ(Normalized(*plugin), expected.normalized);
    EXPECT_EQ(plugin->Handler().Calls().size(), 1u);
    std::vector<std::uint8_t> state;
    std::string error;
    ASSERT_TRUE(plugin->GetState(state, error)) << error;
    EXPECT_EQ(state, expected.state);
}

// The default program and the five slots never filled hold no values:
// selecting one from the host, twice, through the controller and the
// processor in either order, leaves every parameter as it was and asks for no
// restart. (The default program used to set "Frequency" to its minimum, which
// a host that selects the current program again after restoring a project
// heard as "Frequency not restored".)
TEST(ProgramChange, ProgramsWithoutValuesChangeNothing) {
    for (int program : {0, 125, 129}) {
        for (bool controllerFirst : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "program " << program << ", controller first " << controllerFirst);
            auto plugin = StartedInstance();
            ASSERT_NE(plugin, nullptr);
            plugin->ParameterChanges().Add(Frequency, 0.5);
            Render(*plugin, 64);
            const std::vector<double> before = PlainValues(*plugin);
            for (int selection = 0; selection < 2; ++selection) {
                plugin->Handler().Clear();
                if (controllerFirst) {
                    ChangeProgram(*plugin, program);
                } else {
                    plugin->ParameterChanges().Add(kPresetId, ProgramValue(program));
                    Render(*plugin, 64);
                    plugin->Controller()->setParamNormalized(kPresetId, ProgramValue(program));
                }
                EXPECT_EQ(PlainValues(*plugin), before) << "selection " << selection;
                EXPECT_FALSE(AwaitRestarts(*plugin, 1, 50));
            }
        }
    }
}

// A host that keeps its own copy of every value, as hosts that show or record
// parameters do: it writes its changes into the copy at once, passes them on
// later in the order of the parameter indexes, and reads every value again
// when the plug-in asks for a restart. Its copy must end as the plug-in's
// values and the state the plug-in saves, whether the processor hears of the
// changes before or after the controller.
TEST(ProgramChange, AHostsCopyOfTheValuesMatchesTheStateItSaves) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    std::vector<Vst::ParamID> ids;
    std::vector<double> tolerance;
    for (int32 index = 0; index < controller->getParameterCount(); ++index) {
        Vst::ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(index, info), kResultOk);
        ids.push_back(info.id);
        // Stepped values come back rounded to their step.
        tolerance.push_back(info.stepCount > 0 ? 0.5 / info.stepCount + 1e-9 : 1e-9);
    }
    std::vector<double> copy(ids.size());
    auto readAll = [&] {
        for (size_t i = 0; i < ids.size(); ++i)
            copy[i] = controller->getParamNormalized(ids[i]);
    };
    readAll();

    std::mt19937 random(83);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        // Every value at once, or (as a host's program list does) the program alone.
        std::vector<size_t> changed;
        for (size_t i = 0; i < ids.size(); ++i)
            if (round % 3 != 2 || ids[i] == kPresetId) changed.push_back(i);
        std::vector<double> pending(ids.size());
        for (size_t i : changed)
            copy[i] = pending[i] = unit(random);
        const bool processorFirst = round % 2 == 0;
        for (size_t i : changed)
            plugin->ParameterChanges().Add(ids[i], pending[i]);
        if (processorFirst) Render(*plugin, 64);
        plugin->Handler().Clear();
        bool programChanged = false;
        for (size_t i : changed) {
            controller->setParamNormalized(ids[i], pending[i]);
            programChanged = programChanged || ids[i] == kPresetId;
        }
        // Programs without values ask for no restart: a short wait then.
        if (programChanged && AwaitRestarts(*plugin, 1, 300)) readAll();
        if (!processorFirst) Render(*plugin, 64);

        std::vector<std::uint8_t> state;
        std::string error;
        ASSERT_TRUE(plugin->GetState(state, error)) << error;
        const std::vector<double> saved = DecodeState(state);
        ASSERT_EQ(saved.size(), static_cast<size_t>(kParameterCount));
        for (size_t i = 0; i < ids.size(); ++i) {
            EXPECT_NEAR(copy[i], controller->getParamNormalized(ids[i]), tolerance[i])
                << "id " << ids[i];
            if (ids[i] < static_cast<Vst::ParamID>(kParameterCount)) {
                EXPECT_NEAR(copy[i], controller->plainParamToNormalized(ids[i], saved[ids[i]]),
                            tolerance[i])
                    << "id " << ids[i];
            }
        }
    }
}

// A host that changes the program every block for a minute, through the
// controller and the processor: restarts merge as they wait, and the last
// change is always announced, by a restart that comes after it.
TEST(ProgramChange, AProgramEveryBlockForAMinute) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    const int schumann = FindProgram(*plugin, "Binaural - 7.83 (Schumann Resonance)");
    ASSERT_GT(schumann, 0);
    constexpr int kBlocks = 60 * 48000 / 512;
    for (int block = 0; block < kBlocks - 1; ++block)
        ChangeProgram(*plugin, 1 + block % 124);
    const int earlier = ValueRestarts(*plugin);
    plugin->Handler().Clear();
    // The host reads the program again in each restart, as hosts do.
    std::atomic<bool> lastSeen{false};
    plugin->Handler().OnRestart([&](int32) {
        if (plugin->Controller()->getParamNormalized(kPresetId) == ProgramValue(schumann))
            lastSeen = true;
    });
    ChangeProgram(*plugin, schumann);
    EXPECT_TRUE(tonewell::hostkit::RunUiLoopUntil([&] { return lastSeen.load(); }, 2000));
    plugin->Handler().OnRestart(nullptr);
    std::printf("%d program changes, %d restarts\n", kBlocks, earlier + ValueRestarts(*plugin));
    EXPECT_EQ(Normalized(*plugin), RestoredByProcessor(schumann).normalized);
}
