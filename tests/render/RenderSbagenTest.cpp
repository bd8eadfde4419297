// SBaGen sessions and tone-sets through the built renderer and module.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <vector>

#include "RenderHarness.h"

namespace tonewell::render::test {
namespace {

class RenderSbagen : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& text) const {
        const auto path = folder.Path(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    ScratchFolder folder;
};

TEST_F(RenderSbagen, ToneSetsPlayTheHigherToneLeftAtTheirLevel) {
    const auto output = folder.Path("tones.wav");
    const auto result =
        RunRender({"--tones", "200+10/50 300-6/20", "--seconds", "2", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.frames, 96000);
    // The two tones of each ear add up to at most 0.7.
    EXPECT_NEAR(Peak(audio.samples[0], 0, 96000), 0.7, 0.01);
    const auto solo = folder.Path("solo.wav");
    ASSERT_EQ(RunRender({"--tones", "200+10/50", "--seconds", "1", "-o", solo.string()}).exitCode,
              0);
    const auto one = ReadAudio(solo);
    EXPECT_NEAR(ZeroCrossingFrequency(one.samples[0], 48000, 4800, 48000), 205.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(one.samples[1], 48000, 4800, 48000), 195.0, 0.01);
    // A beat between the instrument's hundredths is kept on the mean.
    const auto fine = folder.Path("fine.wav");
    ASSERT_EQ(
        RunRender({"--tones", "200+7.835/50", "--seconds", "3", "-o", fine.string()}).exitCode, 0);
    const auto between = ReadAudio(fine);
    EXPECT_NEAR(ZeroCrossingFrequency(between.samples[0], 48000, 4800, 144000) -
                    ZeroCrossingFrequency(between.samples[1], 48000, 4800, 144000),
                7.835, 0.0005);
}

TEST_F(RenderSbagen, SessionFilesAreKnownByNameOrByWhatIsInThem) {
    const std::string text = "-SE\nalpha: pink/40 200+10/20\noff: -\n0:00 alpha\n0:01 off\n";
    for (const auto& name : {"a.sbg", "a.txt"}) {
        SCOPED_TRACE(name);
        const auto result = RunRender({"--session", Write(name, text).string(), "--print-session"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("length 00:01:00"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("00:00:00  alpha"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("200+10/20 (L 205.000 R 195.000 Hz)"), std::string::npos);
    }
    // --seconds renders the first seconds of a session, ours or SBaGen's.
    const auto own = Write("own.txt", "0 set Mode=Generator\n1:00 end\n");
    for (const auto& session : {own, folder.Path("a.sbg")}) {
        const auto output = folder.Path("part.wav");
        const auto result =
            RunRender({"--session", session.string(), "--seconds", "0.5", "-o", output.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadAudio(output).frames, 24000);
    }
}

TEST_F(RenderSbagen, TheMixNamedByTheSessionIsFoundBesideItAndPlaysThroughoutUnlessToneSetsSetIt) {
    // The mix: a 300 Hz tone at half scale, rendered for the purpose.
    ASSERT_EQ(
        RunRender({"--tones", "300/50", "--seconds", "2", "-o", folder.Path("river.wav").string()})
            .exitCode,
        0);
    const auto output = folder.Path("mixed.wav");
    const auto result = RunRender({"--session",
                                   Write("mixed.sbg", "-SE -m river.wav\na: 200+10/1\n"
                                                      "0:00 a\n0:01 a\n")
                                       .string(),
                                   "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, 4800, 43200), 300.0, 0.05);
    EXPECT_NEAR(Peak(audio.samples[0], 4800, 43200), 0.51, 0.02);
    // As in SBaGen+, the session stops where its mix ends, and that is said.
    EXPECT_EQ(audio.samples[0].size(), 2u * 48000u);
    EXPECT_NE(result.err.find("the mix ends after 00:00:02"), std::string::npos) << result.err;

    // SBaGen's looping Ogg files play on, from their start again.
    const auto loop = folder.Path("loop.ogg");
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 2;
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        SNDFILE* file = sf_open(loop.string().c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        sf_set_string(file, SF_STR_COMMENT, "SBAGEN_LOOPER=s4-16 f0.2");
        std::vector<float> second(2 * 48000);
        for (std::size_t i = 0; i < second.size(); ++i)
            second[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 300.0 * (i / 2) / 48000));
        sf_writef_float(file, second.data(), 48000);
        sf_close(file);
    }
    const auto looped = folder.Path("looped.wav");
    ASSERT_EQ(
        RunRender(
            {"--session",
             Write("looped.sbg", "-SE -m loop.ogg\na: 200+10/1\n0:00:00 a\n0:00:03 a\n").string(),
             "-o", looped.string()})
            .exitCode,
        0);
    const auto repeated = ReadAudio(looped);
    EXPECT_EQ(repeated.frames, 3 * 48000);
    EXPECT_NEAR(Peak(repeated.samples[0], 110000, 140000), 0.5, 0.05);
}

TEST_F(RenderSbagen, BadSessionsStopWithTheirPlaceAndWriteNothing) {
    const struct {
        const char* text;
        std::vector<std::string> extra;
        const char* expected;
    } cases[] = {
        {"a: 200+10/x\n0:00 a\n", {}, "bad.sbg:1:11: expected an amplitude"},
        {"a: 30000+10/5\n0:00 a\n", {"--seconds", "1"}, "reaches half the sample rate"},
        {"-SE\na: mix/50\n0:00 a\n0:01 a\n", {}, "bad.sbg:2:1: expected --input FILE"},
        {"-SE -m nowhere.wav\na: 200+10/5\n0:00 a\n0:01 a\n",
         {},
         "bad.sbg:1:8: -m \"nowhere.wav\": cannot read it as audio"},
        {"a: 200+10/5\n0:00 a\n", {}, "plays on without an end (no -E in it); give its length"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto session = Write("bad.sbg", c.text);
        std::vector<std::string> arguments{"--session", session.string(), "-o",
                                           folder.Path("out.wav").string()};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        const auto result = RunRender(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"bad.sbg"});
    }
}

} // namespace
} // namespace tonewell::render::test
