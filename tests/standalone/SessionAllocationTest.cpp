// An SBaGen session played by the desktop program's audio callback: every
// heap allocation of this executable is counted, and none may happen while
// it plays.
#include <PluginSession.h>
#include <SbagenScript.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

#include "AllocationCounter.h"
#include "LivePlayer.h"
#include "ParameterChangeQueue.h"
#include "SbagenPlayback.h"

namespace tonewell::standalone {
namespace {

TEST(SbagenPlayback, PlaysThroughChangesAndAPauseWithoutAllocatingAndThePauseHoldsItsPlace) {
    render::PluginSession plugin(TONEWELL_MODULE_PATH, "tonewell");
    // The second tone-set brings voices, noises and a spin the first has not.
    auto script =
        session::SbagenScript::Parse("-F 500\nfirst: 200+10/30 pink/10\n"
                                     "second: 300@8/20 spin:300+4/20 brown/5 bell+400/20 150-4/10\n"
                                     "NOW first\nNOW+00:00:01 second\n",
                                     "changes.sbg");
    SbagenPlayback playback(std::move(script), plugin, 48000, 256, 0);
    ParameterChangeQueue queue;
    LivePlayer player(plugin.Instance(), queue, {}, LivePlayer::Settings{});
    player.SetSource(playback);

    std::vector<float> left(256), right(256);
    const long before = AllocationCount();
    const auto play = [&](int blocks) {
        float peak = 0.f;
        for (int i = 0; i < blocks; ++i) {
            player.Render(left.data(), right.data(), 256);
            for (int k = 0; k < 256; ++k)
                peak = std::max({peak, std::fabs(left[k]), std::fabs(right[k])});
        }
        return peak;
    };
    EXPECT_GT(play(375), 0.1f); // 2 s, through the change
    player.SetTransport(false);
    play(2); // the fade out
    const std::int64_t held = player.Position();
    EXPECT_EQ(play(100), 0.f); // paused: silent, in place
    EXPECT_EQ(player.Position(), held);
    player.SetTransport(true);
    EXPECT_GT(play(100), 0.1f);
    EXPECT_EQ(player.Position(), held + 100 * 256);
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_EQ(player.Failures(), 0u);
}

} // namespace
} // namespace tonewell::standalone
