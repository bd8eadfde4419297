// The desktop program's parameter queue and player on their own.
#include <PluginInstance.h>
#include <PluginSession.h>
#include <RenderOptions.h>
#include <StartingChanges.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

#include "LivePlayer.h"
#include "ParameterChangeQueue.h"

namespace tonewell::standalone::test {
namespace {


constexpr const char* kSchumann = "Binaural - 7.83 (Schumann Resonance)";

TEST(ParameterChangeQueue, RefusesWhenFullAndKeepsOrderAcrossThreads) {
    ParameterChangeQueue small(2);
    EXPECT_TRUE(small.Push({1, 0.1}));
    EXPECT_TRUE(small.Push({2, 0.2}));
    EXPECT_FALSE(small.Push({3, 0.3}));
    ParameterChangeQueue::Change change;
    ASSERT_TRUE(small.Pop(change));
    EXPECT_EQ(change.id, 1u);
    EXPECT_TRUE(small.Push({3, 0.3}));
    ASSERT_TRUE(small.Pop(change));
    ASSERT_TRUE(small.Pop(change));
    EXPECT_EQ(change.id, 3u);
    EXPECT_FALSE(small.Pop(change));

    // Many more changes than slots, so the ring wraps while both sides run.
    constexpr Steinberg::Vst::ParamID kCount = 200000;
    ParameterChangeQueue queue(64);
    std::thread producer([&] {
        for (Steinberg::Vst::ParamID id = 0; id < kCount;)
            if (queue.Push({id, id * 0.5})) ++id;
    });
    Steinberg::Vst::ParamID expected = 0;
    while (expected < kCount) {
        if (!queue.Pop(change)) continue;
        ASSERT_EQ(change.id, expected);
        ASSERT_EQ(change.normalized, expected * 0.5);
        ++expected;
    }
    producer.join();
}

// The player without a device: the callback's work on the built module, in
// the device's buffers of 256 frames.
TEST(LivePlayer, AStopFadesOutWithinItsFadeAndThenStaysSilent) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    render::RenderOptions request;
    request.program = kSchumann;
    request.assignments.push_back({"Fade", "1"});
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    ASSERT_TRUE(instance.Start(config, error)) << error;
    instance.SetPlaying(true);
    for (const auto& change : changes.Changes())
        instance.ParameterChanges().Add(change.id, change.normalized);

    ParameterChangeQueue queue;
    LivePlayer::Settings settings;
    settings.stopFadeFrames = 2400;
    LivePlayer player(instance, queue, {}, settings);
    // Callbacks larger than the plug-in's block are split for it.
    constexpr int kBuffer = 1000;
    std::vector<float> left(kBuffer), right(kBuffer), played;
    for (int i = 0; i < 24; ++i) {
        player.Render(left.data(), right.data(), kBuffer);
        played.insert(played.end(), left.begin(), left.end());
    }
    const std::size_t stopAt = played.size();
    float steadyStep = 0.f;
    for (std::size_t i = stopAt - 4800; i < stopAt; ++i)
        steadyStep = std::max(steadyStep, std::fabs(played[i] - played[i - 1]));
    ASSERT_GT(steadyStep, 0.f);

    player.RequestStop();
    for (int i = 0; i < 5 && !player.Finished(); ++i) {
        player.Render(left.data(), right.data(), kBuffer);
        played.insert(played.end(), left.begin(), left.end());
    }
    ASSERT_TRUE(player.Finished());
    EXPECT_EQ(player.FramesPlayed(), static_cast<std::int64_t>(stopAt + 2400));
    // The fade only lowers the wave: no step larger than the steady wave's.
    for (std::size_t i = stopAt; i < stopAt + 2400; ++i)
        ASSERT_LE(std::fabs(played[i] - played[i - 1]), steadyStep * 1.01f) << "frame " << i;
    for (std::size_t i = stopAt + 2399; i < played.size(); ++i)
        ASSERT_EQ(played[i], 0.f);
    EXPECT_EQ(player.Failures(), 0u);
    instance.Stop();
}

} // namespace
} // namespace tonewell::standalone::test
