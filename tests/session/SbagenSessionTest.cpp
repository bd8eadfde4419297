// SBaGen sessions without the instrument: the parser, the timeline as SBaGen+
// moves between tone-sets, and the player's levels with stand-in voices.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "NoiseSource.h"
#include "SbagenScript.h"
#include "SbagenTimeline.h"
#include "SessionError.h"
#include "SessionPlayer.h"

namespace tonewell::session {
namespace {

constexpr double kTwoPi = 6.283185307179586;

std::string ErrorOf(const std::string& text) {
    try {
        SbagenScript::Parse(text, "s.sbg");
    } catch (const SessionError& error) {
        return error.what();
    }
    return "no error";
}

TEST(SbagenToneSpec, ReadsEveryKindOfTone) {
    struct Case {
        const char* text;
        ToneKind kind;
        double carrier, beat, width, amp;
    };
    const Case cases[] = {
        {"200+10/20", ToneKind::Binaural, 200, 10, 0, 0.2},
        {"200-4.5/1.5", ToneKind::Binaural, 200, -4.5, 0, 0.015},
        {"432/10", ToneKind::Binaural, 432, 0, 0, 0.1},
        {"300@8/15", ToneKind::Isochronic, 300, 8, 0, 0.15},
        {"pink/40", ToneKind::Pink, 0, 0, 0, 0.4},
        {"white/.5", ToneKind::White, 0, 0, 0, 0.005},
        {"brown/15", ToneKind::Brown, 0, 0, 0, 0.15},
        {"spin:300+4.2/80", ToneKind::Spin, 0, 4.2, 300, 0.8},
        {"bspin:300-4/40", ToneKind::BrownSpin, 0, -4, 300, 0.4},
        {"wspin:200+8/30", ToneKind::WhiteSpin, 0, 8, 200, 0.3},
        {"bell+2050/20", ToneKind::Bell, 2050, 0, 0, 0.2},
        {"mix/99", ToneKind::Mix, 0, 0, 0, 0.99},
        {"triangle:mixspin:400+6/40", ToneKind::MixSpin, 0, 6, 400, 0.4},
        {"square:mixpulse:8/60", ToneKind::MixPulse, 0, 8, 0, 0.6},
        {"sawtooth:150+6/25", ToneKind::Binaural, 150, 6, 0, 0.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ToneSpec toneSpec;
        std::string error;
        std::size_t offset = 0;
        ASSERT_TRUE(ParseToneSpec(c.text, toneSpec, error, offset)) << error;
        EXPECT_EQ(toneSpec.kind, c.kind);
        EXPECT_DOUBLE_EQ(toneSpec.carrier, c.carrier);
        EXPECT_DOUBLE_EQ(toneSpec.beat, c.beat);
        EXPECT_DOUBLE_EQ(toneSpec.width, c.width);
        EXPECT_NEAR(toneSpec.amp, c.amp, 1e-12);
    }
}

TEST(SbagenScript, NamesThePlaceOfEveryMistake) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"a: 200+10\n0:00 a\n", "s.sbg:1:10: expected '/' and an amplitude"},
        {"a: 200+10/-5\n0:00 a\n", "s.sbg:1:11: expected an amplitude"},
        {"a: 200x10/5\n0:00 a\n", "s.sbg:1:7: expected '/'"},
        {"a: 200+10/5\n0:00 b\n", "s.sbg:2:6: expected a defined tone-set or block name, not 'b'"},
        {"a: 200+10/5\n0:00 <x a\n", "s.sbg:2:7: expected '>', '-' or '=' as the fade-out"},
        {"a: 200+10/5\n0:00 a ->x\n", "s.sbg:2:8: expected '->' or the end of the line"},
        {"a: 200+10/5\n0:61 a\n", "s.sbg:2:1: expected a time"},
        {"a: 200+10/5\n0:00 a\nb: {\n+0:00 a\n", "s.sbg:3:1: expected '}' to close the block"},
        {"a: 200+10/5\nb: {\n0:00 a\n}\n0:00 b\n", "s.sbg:3:1: expected a relative time (+hh:mm)"},
        {"a: 200+10/5\nb: {\n+0:00 b\n}\n0:00 b\n", "blocks nest too deep"},
        {"a: 200+10/5\n", "s.sbg:2:1: expected a time line"},
        {"  \n\n", "s.sbg:1:1: expected a session, not an empty file"},
        {"a: 200+10/5\n0:00 a\n\x01\x02", "s.sbg:3:1: expected text, not a binary file"},
        {"-p drip 00d\n", "s.sbg:1:4: expected drop or slide after -p"},
        {"-p drop 100d\n", "s.sbg:1:11: expected a depth letter from a to l"},
        {"-p drop 00.d\n", "s.sbg:1:12: expected the level's decimals"},
        {"-p drop 00d^+\n", "s.sbg:1:13: expected s or k, then +, ^, @ and /amp, in that order"},
        {"-p drop t40,10 00d\n", "s.sbg:1:15: expected t and three lengths"},
        {"-p drop 00d/101\n", "s.sbg:1:13: expected an amplitude (0 to 100)"},
        {"-p drop\n", "s.sbg:1:8: expected a drop level such as 00ds+"},
        {"-p slide t0 200+10/1\n", "s.sbg:1:11: expected a length of at least 1 minute"},
        {"-p slide 200/1\n", "s.sbg:1:10: expected carrier+beat/amp"},
        {"-p slide 200+10/1 pink\n", "s.sbg:1:19: expected a tone"},
        {"-p drop 00d\na: pink/5\n0:00 a\n", "s.sbg:3:1: expected no time lines: -p on line 1"},
        {"a: 200+10/5\n0:00 a\n12:00 a\n23:00 a\n11:00 a\n", "s.sbg:5:1: times out of order"},
        {"a: 200+10/5\na: pink/1\n", "s.sbg:2:1: 'a' is defined twice"},
        {"a: square:pink/5\n0:00 a\n", "s.sbg:1:11: expected a tone, spin or mix effect"},
        {"wave01: 0 1\na: wave01:300@4/5\n0:00 a\n", "s.sbg:2:14: expected '+' or '-' and a beat"},
        {"wave01: 0 1\na: wave01:spin:9+1/5\n0:00 a\n", "s.sbg:2:11: expected carrier+beat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(SbagenScript, ResolvesTimesBlocksAndMidnight) {
    const auto script = SbagenScript::Parse("-SE\n"
                                            "a: 200+10/5\n"
                                            "off: -\n"
                                            "burst: {\n +00:00 a\n +00:05 off\n}\n"
                                            "23:50 a\n"
                                            "NOW+00:10 burst\n" // NOW is midnight: the next day
                                            "+00:20+00:00:30 a\n"
                                            "00:40 off\n",
                                            "s.sbg");
    std::vector<double> times;
    for (const auto& entry : script.Entries())
        times.push_back(entry.seconds);
    EXPECT_EQ(times, (std::vector<double>{0, 1200, 1500, 1830, 3000}));
    EXPECT_EQ(script.Length(), 3000.0);
    // Going back after NOW is more likely a slip than a plan: it is said.
    ASSERT_EQ(script.Warnings().size(), 1u);
    EXPECT_NE(script.Warnings()[0].find("s.sbg:5: "), std::string::npos); // the block's line

    // -T starts at a clock time, not at the first line.
    const auto late = SbagenScript::Parse("-T 0:00\na: 200+10/5\n0:00:10 a\n", "s.sbg");
    EXPECT_EQ(late.Entries()[0].seconds, 10.0);
    // A start within the sequence begins part-way into it.
    const auto within = SbagenScript::Parse("-T 12:01\na: 200/5\n12:00 a\n12:05 a\n", "s.sbg");
    EXPECT_EQ(within.Entries()[0].seconds, -60.0);
    EXPECT_EQ(within.Entries()[1].seconds, 240.0);
    // -q runs the sequence and its fades faster.
    const auto quick = SbagenScript::Parse("-q 4\na: 200/5\n0:00 a\n0:08 a\n", "s.sbg");
    EXPECT_EQ(quick.Entries()[1].seconds, 120.0);
    EXPECT_EQ(quick.Options().fadeSeconds, 15.0);
    // A session without -E plays on.
    EXPECT_FALSE(late.Length());
}

TEST(SbagenScript, ScalesLoudToneSetsAsSbagenDoesAndSaysSo) {
    const auto script =
        SbagenScript::Parse("a: pink/60 200+10/50 mixpulse:8/90\n0:00 a\n", "s.sbg");
    const auto& tones = script.ToneSets()[0].tones;
    EXPECT_NEAR(tones[0].amp, 0.6 / 1.1, 1e-12);
    EXPECT_NEAR(tones[1].amp, 0.5 / 1.1, 1e-12);
    EXPECT_NEAR(tones[2].amp, 0.9, 1e-12); // an effect's intensity is not a level
    ASSERT_EQ(script.Warnings().size(), 1u);
    EXPECT_NE(script.Warnings()[0].find("110 %"), std::string::npos);
    const auto kept = SbagenScript::Parse("-N\na: pink/60 200+10/50\n0:00 a\n", "s.sbg");
    EXPECT_NEAR(kept.ToneSets()[0].tones[0].amp, 0.6, 1e-12);
}

TEST(SbagenScript, WarnsOfOptionsItDoesNotPlay) {
    const auto script =
        SbagenScript::Parse("-SE -Q -r 44100\n-d hw:0\na: 200/5\n0:00 a\n", "s.sbg");
    ASSERT_EQ(script.Warnings().size(), 3u);
    EXPECT_NE(script.Warnings()[0].find("-Q"), std::string::npos);
    EXPECT_NE(script.Warnings()[1].find("-r"), std::string::npos);
    EXPECT_NE(script.Warnings()[2].find("-d only concerns its audio device"), std::string::npos);
}

double AmpAt(const SbagenTimeline& timeline, int slot, double t) {
    return timeline.SlotAt(slot, t).amp;
}

// Levels over a change, as SBaGen+ moves them: a fade of 60 s centred on the
// change, a bed that carries on moving in one line, a changed tone out in the
// first half and the new one in over the second.
TEST(SbagenTimeline, CrossFadesAroundEachChange) {
    const auto script = SbagenScript::Parse("-SE\n"
                                            "a: pink/40 200+10/20\n"
                                            "b: pink/30 300+4/20 400@5/10\n"
                                            "off: -\n"
                                            "0:00 a\n0:02 b\n0:04 off\n",
                                            "s.sbg");
    const SbagenTimeline timeline(script);
    EXPECT_NEAR(AmpAt(timeline, 0, 0.0), 0.0, 1e-12); // fades in from silence at the start
    EXPECT_NEAR(AmpAt(timeline, 0, 15.0), 0.2, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 0, 80.0), 0.4, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 0, 120.0), 0.35, 1e-12); // pink carries on
    EXPECT_NEAR(AmpAt(timeline, 1, 105.0), 0.1, 1e-12);  // 200+10 on its way out
    EXPECT_EQ(timeline.SlotAt(1, 135.0).carrier, 300.0); // 300+4 on its way in
    EXPECT_NEAR(AmpAt(timeline, 1, 135.0), 0.1, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 2, 115.0), 0.0, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 2, 150.0), 0.1, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 0, 225.0), 0.15, 1e-12); // to silence at the end
}

TEST(SbagenTimeline, SlidesWhereBothSidesAskOrAWholePeriodIsATransition) {
    const auto script = SbagenScript::Parse("-SE\n"
                                            "a: 200+4/20\nb: 300+12/20\nc: pink/20\noff: -\n"
                                            "0:00 == a\n0:02 == b\n0:04 b ->\n0:06 a\n"
                                            "0:08 <> b\n0:10 c\n0:11 off\n",
                                            "s.sbg");
    const SbagenTimeline timeline(script);
    const ToneSpec middle = timeline.SlotAt(0, 120.0);
    EXPECT_NEAR(middle.carrier, 250.0, 1e-9);
    EXPECT_NEAR(middle.beat, 8.0, 1e-9);
    EXPECT_NEAR(middle.amp, 0.2, 1e-12);
    // "->" slides over the whole period, even with plain fades.
    EXPECT_NEAR(timeline.SlotAt(0, 300.0).carrier, 250.0, 1e-9);
    // "<>" goes through silence.
    EXPECT_NEAR(AmpAt(timeline, 0, 480.0), 0.0, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 0, 465.0), 0.1, 1e-12);
    // Changes closer than a minute share the time between them.
    EXPECT_NEAR(AmpAt(timeline, 0, 600.0), 0.0, 1e-12);
    EXPECT_EQ(timeline.SlotAt(0, 615.0).kind, ToneKind::Pink);
}

TEST(SbagenTimeline, PulsedTonesAndSpinsGlideThroughAPlainChangeWhereBinauralTonesFade) {
    const auto script = SbagenScript::Parse("-SE\na: 400@8/10 spin:200+4/20 200+4/10\n"
                                            "b: 500@6/10 spin:300+6/20 200+6/10\n"
                                            "0:00 a\n0:02 b\n0:03 b\n",
                                            "s.sbg");
    const SbagenTimeline timeline(script);
    EXPECT_NEAR(AmpAt(timeline, 0, 120.0), 0.1, 1e-12);
    EXPECT_NEAR(timeline.SlotAt(0, 120.0).carrier, 450.0, 1e-9);
    EXPECT_NEAR(timeline.SlotAt(0, 105.0).beat, 7.5, 1e-9);
    EXPECT_NEAR(timeline.SlotAt(1, 120.0).width, 250.0, 1e-9);
    EXPECT_NEAR(AmpAt(timeline, 2, 120.0), 0.0, 1e-12);
}

TEST(SbagenTimeline, ALoopingSessionStartsAtFullLevel) {
    const auto script = SbagenScript::Parse("a: pink/40 300+10/10\n0:00 a\n", "s.sbg");
    const SbagenTimeline timeline(script);
    EXPECT_NEAR(AmpAt(timeline, 0, 0.0), 0.4, 1e-12);
    EXPECT_NEAR(AmpAt(timeline, 1, 0.0), 0.1, 1e-12);
    // With -E too, when the last tone-set leads into the first; a bell rings
    // in the middle of its change, pushed late where changes crowd.
    const auto ends = SbagenScript::Parse("-SE\na: pink/40 bell+800/20\nb: pink/40\n"
                                          "0:00 a\n0:00:20 b\n0:00:40 a\n0:01 b\n0:02 b\n",
                                          "s.sbg");
    const SbagenTimeline crowded(ends);
    EXPECT_NEAR(AmpAt(crowded, 0, 0.0), 0.4, 1e-12);
    ASSERT_EQ(crowded.Bells().size(), 1u);
    EXPECT_EQ(crowded.Bells()[0].at, 50.0);
}

// SBaGen+'s built-in sequences: the tone a slot has at a time, after the 5 s fade-in.
struct ProgramCase {
    const char* line;
    double at;
    ToneKind kind;
    double carrier, beat, amp;
};

TEST(SbagenProgram, DropAndSlideMakeTheSequenceSbagenPlays) {
    const double deep = 10.0 * std::pow(0.25, 1.0 / 3.0); // a third of the way to 2.5 Hz
    const ProgramCase cases[] = {
        // 3-minute steps of 0.5 Hz, held, sliding into the next over their last 10 s.
        {"-p drop 00d", 5, ToneKind::Binaural, 204.5, 10, 0.01},
        {"-p drop 00d", 5 + 3 * 180 + 169, ToneKind::Binaural, 203, 10 * std::pow(0.25, 3 / 9.0),
         0.01},
        {"-p drop 00d", 5 + 3 * 180 + 175, ToneKind::Binaural, 202.75, 0, 0.01},
        // 1-minute steps; level 20 falls to 160 Hz, depth a to 4.4 Hz.
        {"-p drop 20ak", 5 + 29 * 60, ToneKind::Binaural, 160, 4.4, 0.01},
        // Smooth: points a drop minute apart, the carrier falling through the hold.
        {"-p drop t4,6,0 00ds+", 5 + 80, ToneKind::Binaural, 205 - 5.0 * 80 / 600, deep, 0.01},
        {"-p drop 34.5ls+/2", 5 + 1800, ToneKind::Binaural, 133.5, 0.3, 0.02},
        {"-p drop 34.5ls+/2", 5 + 3600, ToneKind::Binaural, 131, 0.3, 0.02},
        // Wake-up: back to the first frequencies.
        {"-p drop t40,10,5 20ds+^/2", 5 + 3300, ToneKind::Binaural, 165, 10, 0.02},
        {"-p drop 00d@/3", 5, ToneKind::Isochronic, 204.5, 10, 0.03},
        // Fades: in over 5 s, out over 10 s after the end.
        {"-p drop 00d", 2.5, ToneKind::Binaural, 204.5, 10, 0.005},
        {"-p drop 00d", 1800, ToneKind::Binaural, 200, 2.5, 0.005},
        // Slide: the beat kept, the carrier down to half of it.
        {"-p slide t5 200-10/1", 5 + 150, ToneKind::Binaural, 102.5, -10, 0.01},
        {"-p slide 300@8/3", 5 + 1800, ToneKind::Isochronic, 4, 8, 0.03},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " at " + std::to_string(c.at));
        const auto script = SbagenScript::Parse(std::string(c.line) + " pink/20\n", "s.sbg");
        const SbagenTimeline timeline(script);
        const ToneSpec tone = timeline.SlotAt(0, c.at);
        EXPECT_EQ(tone.kind, c.kind);
        EXPECT_NEAR(tone.carrier, c.carrier, 1e-6);
        if (c.beat != 0) {
            EXPECT_NEAR(tone.beat, c.beat, 1e-6);
        }
        EXPECT_NEAR(tone.amp, c.amp, 1e-9);
        // The extra tone specs come and go with the program's tone.
        const ToneSpec pink = timeline.SlotAt(1, c.at);
        EXPECT_EQ(pink.kind, ToneKind::Pink);
        EXPECT_NEAR(pink.amp / 0.2, tone.amp / timeline.SlotAt(0, 5).amp, 1e-9);
    }
}

TEST(SbagenProgram, EndsAfterItsFadeOut) {
    const auto length = [](const char* line) {
        return SbagenScript::Parse(std::string(line) + "\n", "s.sbg").Length().value_or(-1);
    };
    EXPECT_EQ(length("-p drop 00d"), 1805);
    EXPECT_EQ(length("-p drop 00dk+"), 3610); // its last step slides out from 5 s before its end
    EXPECT_EQ(length("-p drop t31,7,0 00d+"), 5 + 33 * 60 + 9 * 60);         // whole steps
    EXPECT_EQ(length("-p drop t40,10,5 20ds+^/2 mix/98"), 5 + 55 * 60 + 10); // smooth
    EXPECT_EQ(length("-p slide t60 200+10/1"), 3615);
}

// A pure sine pair in place of the instrument.
class SineVoices : public VoiceFactory {
public:
    struct Voice : ToneVoice {
        double left = 0, right = 0, phaseLeft = 0, phaseRight = 0, rate = 0;
        void Set(double carrier, double beat, Waveform) override {
            left = carrier + beat / 2;
            right = carrier - beat / 2;
        }
        void Render(double* l, double* r, int frames) override {
            for (int i = 0; i < frames; ++i) {
                l[i] = std::sin(phaseLeft);
                r[i] = std::sin(phaseRight);
                phaseLeft += kTwoPi * left / rate;
                phaseRight += kTwoPi * right / rate;
            }
        }
    };
    std::unique_ptr<ToneVoice> Create(int rate, int) override {
        auto voice = std::make_unique<Voice>();
        voice->rate = rate;
        return voice;
    }
};

// Ways to pull a session: plain calls (as the desktop program does), or
// working ahead on one thread or two.
enum class Pull { Plain, AheadOneThread, AheadTwoThreads };

struct Stereo {
    std::vector<double> left, right;
};

Stereo RenderStereo(const std::string& text, double seconds, int rate, Pull pull, int callFrames) {
    const auto script = SbagenScript::Parse(text, "s.sbg");
    const SbagenTimeline timeline(script);
    SineVoices voices;
    SessionPlayer player(timeline, rate, voices);
    if (pull != Pull::Plain) player.WorkAhead(pull == Pull::AheadTwoThreads);
    Stereo out{std::vector<double>(static_cast<std::size_t>(seconds * rate)), {}};
    out.right.resize(out.left.size());
    for (std::size_t done = 0; done < out.left.size();) {
        const int frames =
            static_cast<int>(std::min<std::size_t>(callFrames, out.left.size() - done));
        player.Render(out.left.data() + done, out.right.data() + done, frames);
        done += static_cast<std::size_t>(frames);
    }
    return out;
}

std::vector<double> RenderLeft(const std::string& text, double seconds, int rate = 48000) {
    // Odd pieces, as a host pulls them.
    return RenderStereo(text, seconds, rate, Pull::Plain, 333).left;
}

double MeanSquare(const std::vector<double>& x, std::size_t begin, std::size_t end) {
    double sum = 0;
    for (std::size_t i = begin; i < end; ++i)
        sum += x[i] * x[i];
    return sum / static_cast<double>(end - begin);
}

TEST(SessionPlayer, PlaysSbagenLevelsForTonesPulsesAndNoise) {
    // A tone at /50 has a mean square of 0.125; a pulse sounds 40 % of each
    // cycle for a mean square 0.2275 times the tone's; pink noise at /40 is
    // 0.1486 * 0.4 RMS and white noise spread evenly over +-0.4.
    EXPECT_NEAR(MeanSquare(RenderLeft("a: 200/50\n0:00 a\n", 2), 0, 96000), 0.125, 1e-3);
    EXPECT_NEAR(MeanSquare(RenderLeft("a: 300@10/50\n0:00 a\n", 2), 0, 96000), 0.2275 * 0.125,
                5e-4);
    EXPECT_NEAR(std::sqrt(MeanSquare(RenderLeft("a: pink/40\n0:00 a\n", 4), 0, 192000)),
                0.1486 * 0.4, 0.004);
    EXPECT_NEAR(MeanSquare(RenderLeft("a: white/40\n0:00 a\n", 2), 0, 96000), 0.16 / 3, 1e-3);
}

TEST(SessionPlayer, BellsStrikeOnSbagensBuffersAndRingOnInPhase) {
    // As in SBaGen+, a session with -E starts in the change into its first
    // tone-set, so the bells first ring when "b" takes over at 1 s: where
    // SBaGen+ takes up the period, at the start of its twelfth buffer of 4096
    // frames (its clock then reads 1023 ms), not at 48000. Two bells of one
    // pitch struck together sound in phase, at twice one's level.
    const auto left = RenderLeft("-SE\na: bell+1000/20 bell+1000/20\nb: bell+1000/20 "
                                 "bell+1000/20\n0:00:00 a\n0:00:01 b\n0:00:02 a\n",
                                 2);
    const auto peak = [&](std::size_t begin, std::size_t end) {
        double p = 0;
        for (std::size_t i = begin; i < end; ++i)
            p = std::max(p, std::fabs(left[i]));
        return p;
    };
    EXPECT_EQ(peak(0, 49152), 0.0);
    EXPECT_NEAR(peak(49152, 51000), 0.4, 0.005);
}

TEST(SessionPlayer, EveryLevelChangeIsARamp) {
    // A change 1 s apart through silence, rendered at a low rate where a
    // step would show: neighbouring samples never jump by more than a
    // 100 Hz sine at full scale can move.
    const auto left = RenderLeft("-SE -F 200\na: 100/100\nb: 100+1/100\noff: -\n"
                                 "0:00 a\n0:00:01 <> b\n0:00:02 off\n",
                                 2.5, 8000);
    double largest = 0;
    for (std::size_t i = 1; i < left.size(); ++i)
        largest = std::max(largest, std::fabs(left[i] - left[i - 1]));
    EXPECT_LT(largest, kTwoPi * 100.5 / 8000 * 1.01);
}

TEST(SessionPlayer, WorkingAheadGivesOneResultOnOneThreadOrTwo) {
    // Every kind of slot a stretch shares out, slides, a fade and bells.
    const std::string text = "a: pink/10 200+10/15 spin:300+4/10 300@8/10 white/5\n"
                             "b: brown/10 250+6/15 wspin:300+8/10 300@6/10 bell+800/20\n"
                             "0:00 a\n0:00:01 <> b\n0:00:02 a ->\n0:00:03 b\n";
    // Calls for more than a stretch get it in place.
    const auto one = RenderStereo(text, 10, 8000, Pull::AheadOneThread, 80000);
    const auto two = RenderStereo(text, 10, 8000, Pull::AheadTwoThreads, 1000);
    EXPECT_EQ(one.left, two.left);
    EXPECT_EQ(one.right, two.right);
    // Pieces are cut a little differently from plain calls where levels and
    // frequencies move, so tones drift apart there by a fraction of a cycle.
    const auto plain = RenderStereo(text, 4.5, 8000, Pull::Plain, 333);
    double largest = 0;
    for (std::size_t i = 0; i < plain.left.size(); ++i)
        largest = std::max({largest, std::fabs(plain.left[i] - two.left[i]),
                            std::fabs(plain.right[i] - two.right[i])});
    EXPECT_LT(largest, 0.02);
}

TEST(NoiseSource, PinkFallsThreeDecibelsAnOctaveWhateverPiecesAreAskedFor) {
    constexpr int kRate = 48000, kLength = 4096, kBlocks = 48;
    NoiseSource whole(NoiseColor::Pink, kRate, 7), pieces(NoiseColor::Pink, kRate, 7);
    std::vector<double> x(kLength * kBlocks), y(x.size());
    whole.Fill(x.data(), static_cast<int>(x.size()));
    for (std::size_t done = 0, n = 1; done < y.size(); done += n, n = n * 7 % 300 + 1)
        pieces.Fill(y.data() + done, static_cast<int>(std::min(n, y.size() - done)));
    EXPECT_EQ(x, y);
    // Power per hertz times frequency, from the Hann-windowed spectrum of
    // each block over eight neighbouring bins, is the same in every octave.
    std::vector<double> levels;
    for (double hz = 50.0; hz < 20000.0; hz *= 2.0) {
        const int firstBin = static_cast<int>(hz * kLength / kRate);
        double power = 0.0;
        for (int bin = firstBin; bin < firstBin + 8; ++bin) {
            std::vector<double> c(kLength), s(kLength);
            for (int n = 0; n < kLength; ++n) {
                const double w = 0.5 - 0.5 * std::cos(kTwoPi * n / kLength);
                c[static_cast<std::size_t>(n)] = w * std::cos(kTwoPi * bin * n / kLength);
                s[static_cast<std::size_t>(n)] = w * std::sin(kTwoPi * bin * n / kLength);
            }
            for (int b = 0; b < kBlocks; ++b) {
                const double* block = x.data() + b * kLength;
                double re = 0.0, im = 0.0;
                for (std::size_t n = 0; n < c.size(); ++n) {
                    re += c[n] * block[n];
                    im += s[n] * block[n];
                }
                power += (re * re + im * im) * bin;
            }
        }
        levels.push_back(10.0 * std::log10(power));
    }
    const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_LT(*high - *low, 1.5);
}

TEST(SessionPlayer, RefusesACarrierAtHalfTheRate) {
    const auto script = SbagenScript::Parse("a: 3990+20/5\n0:00 a\n", "s.sbg");
    const SbagenTimeline timeline(script);
    SineVoices voices;
    EXPECT_THROW(SessionPlayer(timeline, 8000, voices), SessionError);
}

} // namespace
} // namespace tonewell::session
