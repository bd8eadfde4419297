// The window's bar as a listener uses it: the programs by group, what the
// bar shows, and what its volume, sleep timer and channel check do to the
// sound.
#include <PluginSession.h>
#include <RenderOptions.h>
#include <StartingChanges.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

#include "BarMemory.h"
#include "BarReadout.h"
#include "ListenerStage.h"
#include "LivePlayer.h"
#include "ProgramGroups.h"
#include "RenderHarness.h"
#include "StandaloneHarness.h"

namespace tonewell::standalone::test {
namespace {

using render::test::Peak;
using render::test::ZeroCrossingFrequency;

std::map<int, std::string> GroupOf(const ProgramGroups& groups) {
    std::map<int, std::string> found;
    for (const auto& group : groups.Groups())
        for (const int index : group.programs)
            EXPECT_TRUE(found.emplace(index, group.title).second) << "program " << index;
    return found;
}

TEST(ProgramGroups, EachProgramIsInTheGroupItsNameSays) {
    const ProgramGroups groups(
        {"---- default ----", "Binaural - 4.0 (Theta's first)", "Binaural - 3.99 (Delta's last)",
         "Binaural - 0.2 (Slow)", "Binaural - 250 (Fast)", "Binaural - soon (No number)",
         "432Hz Tunning", "Saw waves - by note", "Healing - 110 Hz (Stomach)",
         "Solfeggio MI - 528 Hz (Transformation)", "- 126 -", "- x -", "Binaural - 2.5 (Between)"});
    const auto group = GroupOf(groups);
    ASSERT_EQ(group.size(), 13u);
    EXPECT_EQ(group.at(1), "Binaural: Theta, 4 to 8 Hz");
    EXPECT_EQ(group.at(2), "Binaural: Delta, 0.5 to 4 Hz");
    EXPECT_EQ(group.at(3), "Binaural: Epsilon, below 0.5 Hz");
    EXPECT_EQ(group.at(4), "Binaural: 200 Hz and above");
    EXPECT_EQ(group.at(5), "Set-ups");
    EXPECT_EQ(group.at(0), "Set-ups");
    EXPECT_EQ(group.at(6), "Tunings");
    EXPECT_EQ(group.at(7), "Waves");
    EXPECT_EQ(group.at(8), "Healing frequencies");
    EXPECT_EQ(group.at(9), "Solfeggio");
    EXPECT_EQ(group.at(10), "User slots");
    EXPECT_EQ(group.at(11), "Set-ups");
    // Within a band, by beat.
    const auto& delta = groups.Groups()[1];
    EXPECT_EQ(delta.programs, (std::vector<int>{12, 2}));

    // Words of the name or the group's title, case ignored.
    EXPECT_EQ(groups.Find("THETA"), std::vector<int>{1});
    EXPECT_EQ(groups.Find("binaural delta"), (std::vector<int>{2, 12}));
    EXPECT_EQ(groups.Find("528"), std::vector<int>{9});
    EXPECT_TRUE(groups.Find("  ").empty());
    EXPECT_TRUE(groups.Find("theta 528").empty());
}

// The module's own list: every slot in one group, Schumann's 7.83 Hz among
// the Theta beats, and the listing shows the groups with the numbers that
// --program takes.
TEST(ProgramGroups, TheModulesProgramsAllFindAGroup) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    const auto& names = session.Programs().Names();
    const ProgramGroups groups(names);
    const auto group = GroupOf(groups);
    EXPECT_EQ(group.size(), names.size());
    const int schumann = session.Programs().Resolve("Binaural - 7.83 (Schumann Resonance)");
    EXPECT_EQ(group.at(schumann), "Binaural: Theta, 4 to 8 Hz");
    EXPECT_EQ(groups.Find("schumann 7.83"), std::vector<int>{schumann});
    const std::string listing = groups.Listing();
    EXPECT_NE(listing.find("Binaural: Theta, 4 to 8 Hz:\n"), std::string::npos);
    EXPECT_NE(listing.find(std::to_string(schumann) + "  Binaural - 7.83 (Schumann Resonance)\n"),
              std::string::npos);
    for (const char* title : {"Solfeggio:", "Healing frequencies:", "Tunings:", "Waves:",
                              "User slots:", "Binaural: Gamma, 30 to 60 Hz:"})
        EXPECT_NE(listing.find(title), std::string::npos) << title;
    // What the program prints.
    const auto listed = RunTonewell({"--list-programs"}, {});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, listing);
}

TEST(BarReadout, ShowsWholeSecondsAndReportsOnlyWhatChanged) {
    EXPECT_EQ(BarReadout::Clock(59.99), "0:59");
    EXPECT_EQ(BarReadout::Clock(3600.0), "1:00:00");
    EXPECT_EQ(BarReadout::Clock(-1.0), "0:00");

    BarReadout readout;
    BarReadout::Playing playing;
    playing.position = 48000 * 61;
    playing.length = 48000 * 600;
    playing.played = 48000 * 61;
    playing.peak = 0.5f;
    EXPECT_NE(readout.Update(playing), 0u);
    EXPECT_EQ(readout.Position(), "1:01 / 10:00");
    EXPECT_EQ(readout.Played(), "played 1:01");
    EXPECT_EQ(readout.Underruns(), "0 underruns");
    EXPECT_EQ(readout.Sleep(), "");
    EXPECT_EQ(readout.Meter(), 89);
    // Within the same second and the same meter step: nothing to redraw.
    playing.played += 100;
    playing.position += 100;
    playing.peak = 0.499f;
    EXPECT_EQ(readout.Update(playing), 0u);
    playing.underruns = 1;
    playing.sleepSeconds = 0.2;
    playing.peak = 0.f;
    EXPECT_EQ(readout.Update(playing),
              BarReadout::kUnderruns | BarReadout::kSleep | BarReadout::kMeter);
    EXPECT_EQ(readout.Underruns(), "1 underrun");
    EXPECT_EQ(readout.Sleep(), "sleep in 0:01");
    EXPECT_EQ(readout.Meter(), 0);
    // Stopped, the stream goes on but the time played does not.
    playing.sounding = false;
    playing.played += 48000 * 5;
    EXPECT_EQ(readout.Update(playing), 0u);
    EXPECT_EQ(readout.Played(), "played 1:01");
}

// A steady input of 0.5 in both channels through the stage, `frames` at a
// time; returns what came out of the left and the right.
struct Through {
    std::vector<float> left, right;
};
Through Feed(ListenerStage& stage, int buffers, int frames) {
    Through out;
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    for (int i = 0; i < buffers; ++i) {
        std::fill(left.begin(), left.end(), 0.5f);
        std::fill(right.begin(), right.end(), 0.5f);
        stage.Apply(left.data(), right.data(), frames);
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

TEST(ListenerStage, TheVolumeNeverRaisesTheLevelAndGlidesToItsValue) {
    ListenerStage stage(1000);
    stage.SetVolume(4.f);
    EXPECT_EQ(stage.Volume(), 1.f);
    auto out = Feed(stage, 1, 100);
    EXPECT_EQ(*std::max_element(out.left.begin(), out.left.end()), 0.5f);
    stage.SetVolume(0.5f);
    out = Feed(stage, 2, 100);
    // The first buffer glides from 1 to 0.5 without a step; then it holds.
    for (std::size_t i = 1; i < 100; ++i)
        ASSERT_LE(std::fabs(out.left[i] - out.left[i - 1]), 0.5f * 0.5f / 100 + 1e-6f);
    EXPECT_FLOAT_EQ(out.left[150], 0.25f);
    stage.SetVolume(std::nanf(""));
    EXPECT_EQ(stage.Volume(), 0.f);
}

TEST(ListenerStage, TheSleepTimerFadesOutAtItsTimeAndStaysSilentUntilWoken) {
    // At 1000 frames a second: a 30 s timer fades over its last 10 s.
    ListenerStage stage(1000);
    stage.SetSleep(30.0);
    auto out = Feed(stage, 40, 1000);
    EXPECT_FLOAT_EQ(out.left[19999], 0.5f);
    EXPECT_NEAR(out.left[25000], 0.25f, 0.01f);
    EXPECT_LT(out.left[29990], 0.001f);
    for (std::size_t i = 20000; i < 30000; ++i)
        ASSERT_LE(out.left[i], out.left[i - 1]) << i;
    EXPECT_EQ(Peak(out.left, 30000, 40000), 0.f);
    EXPECT_TRUE(stage.Asleep());
    EXPECT_LT(stage.SleepRemaining(), 0.0);
    stage.Wake();
    EXPECT_FALSE(stage.Asleep());
    EXPECT_FLOAT_EQ(Feed(stage, 1, 10).left[5], 0.5f);

    // A short timer fades over its second half.
    stage.SetSleep(4.0);
    out = Feed(stage, 4, 1000);
    EXPECT_FLOAT_EQ(out.left[1999], 0.5f);
    EXPECT_NEAR(out.left[3000], 0.25f, 0.01f);
    EXPECT_TRUE(stage.Asleep());
    // Turned off while it runs, it never ends.
    stage.SetSleep(4.0);
    Feed(stage, 1, 1000);
    EXPECT_NEAR(stage.SleepRemaining(), 3.0, 1e-9);
    stage.SetSleep(0.0);
    out = Feed(stage, 5, 1000);
    EXPECT_FALSE(stage.Asleep());
    EXPECT_FLOAT_EQ(out.left[4999], 0.5f);
}

// The check on the playing instrument, through the player as the audio
// callback runs it: the program pauses, a tone sounds in the left ear
// alone, then in the right alone, and the program comes back.
TEST(ListenerStage, TheChannelCheckSoundsLeftFirstThenRight) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    render::RenderOptions request;
    request.program = "Binaural - 7.83 (Schumann Resonance)";
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
    LivePlayer player(instance, queue, {}, LivePlayer::Settings{});
    std::vector<float> left, right;
    const auto play = [&](int buffers) {
        std::vector<float> l(256), r(256);
        for (int i = 0; i < buffers; ++i) {
            player.Render(l.data(), r.data(), 256);
            left.insert(left.end(), l.begin(), l.end());
            right.insert(right.end(), r.begin(), r.end());
        }
    };
    play(40);
    player.Listener().StartChannelCheck();
    const std::size_t start = left.size();
    play(400);
    const auto at = [start](double seconds) {
        return start + static_cast<std::size_t>(seconds * 48000);
    };
    const double tone = ListenerStage::kCheckToneSeconds, gap = ListenerStage::kCheckGapSeconds;
    // Left alone, at the check's pitch; then right alone.
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, at(0.05), at(tone - 0.05)), 440.0, 0.5);
    EXPECT_LT(Peak(right, at(0.02), at(tone + gap)), 1e-4f);
    EXPECT_NEAR(Peak(left, at(0.05), at(tone)), ListenerStage::kCheckLevel, 0.01f);
    EXPECT_NEAR(ZeroCrossingFrequency(right, 48000, at(tone + gap + 0.05), at(2 * tone + gap)),
                440.0, 0.5);
    EXPECT_LT(Peak(left, at(tone + 0.02), at(2 * tone + gap)), 1e-4f);
    // The program again, in both ears at its own frequencies.
    EXPECT_FALSE(player.Listener().CheckingChannels());
    const std::size_t end = left.size();
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, end - 24000, end), 196.085, 0.05);
    EXPECT_NEAR(ZeroCrossingFrequency(right, 48000, end - 24000, end), 203.915, 0.05);
    instance.Stop();
}

TEST(BarMemory, ComesBackAsSavedAndDamageGivesTheDefaults) {
    render::test::ScratchFolder folder;
    const std::string path = BarMemory::PathBeside(folder.Path("last.vstpreset").string());
    BarMemory::Save({87, 0.25f}, path);
    const BarMemory loaded = BarMemory::Load(path, 130);
    EXPECT_EQ(loaded.program, 87);
    EXPECT_FLOAT_EQ(loaded.volume, 0.25f);
    // A program the module does not have, a volume above its own level.
    EXPECT_EQ(BarMemory::Load(path, 50).program, -1);
    std::ofstream(path) << "program=12x\nvolume=2\n";
    EXPECT_EQ(BarMemory::Load(path, 130).program, -1);
    EXPECT_EQ(BarMemory::Load(path, 130).volume, 1.f);
    EXPECT_EQ(BarMemory::Load(folder.Path("none.txt").string(), 130).program, -1);
}

} // namespace
} // namespace tonewell::standalone::test
