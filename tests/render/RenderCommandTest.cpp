// Runs the built tonewell-render on real command lines against the built module.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <thread>

#include "RenderHarness.h"

namespace tonewell::render::test {
namespace {

const std::string kSchumann = "Binaural - 7.83 (Schumann Resonance)";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

TEST(RenderListing, ProgramsAreListedOnePerLineWithExactNames) {
    const auto result = RunRender({"--list-programs"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 130u);
    EXPECT_NE(lines[0].find("---- default ----"), std::string::npos);
    EXPECT_EQ(lines[83], " 83  " + kSchumann);
    EXPECT_NE(lines[129].find("- 130 -"), std::string::npos);
    EXPECT_TRUE(result.err.empty());
}

TEST(RenderListing, ParametersShowRangesTextsDefaultsAndUnits) {
    const auto result = RunRender({"--list-params"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_NE(lines[0].find("Frequency"), std::string::npos);
    EXPECT_NE(lines[0].find("1 .. 20000 Hz"), std::string::npos);
    EXPECT_NE(lines[0].find("default 200 Hz"), std::string::npos);
    EXPECT_NE(lines[3].find("Sine | Sine half | Triangle | Square"), std::string::npos);
    EXPECT_NE(lines[3].find("default Sine"), std::string::npos);
    EXPECT_NE(lines[9].find("0 .. 100 %"), std::string::npos);
    EXPECT_NE(lines[10].find("default Synthesizer"), std::string::npos);
}

class RenderToFile : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(RenderToFile, SchumannProgramGivesItsTwoEarFrequencies) {
    const auto output = folder.Path("schumann.wav");
    const auto result = RunRender(
        {"--program", kSchumann, "--seconds", "2", "--rate", "48000", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << "no progress bar when stderr is not a terminal";
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"schumann.wav"});

    const auto audio = ReadAudio(output);
    EXPECT_EQ(audio.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.frames, 96000);
    EXPECT_EQ(audio.sampleRate, 48000);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, 0, 96000), 196.085, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[1], 48000, 0, 96000), 203.915, 0.01);
}

TEST_F(RenderToFile, ProgramByNumberEqualsProgramByName) {
    const auto byName = folder.Path("name.wav");
    const auto byNumber = folder.Path("number.wav");
    ASSERT_EQ(RunRender({"--program", kSchumann, "--seconds", "0.5", "-o", byName}).exitCode, 0);
    ASSERT_EQ(RunRender({"--program", "83", "--seconds", "0.5", "-o", byNumber}).exitCode, 0);
    EXPECT_EQ(ReadAudio(byName).samples, ReadAudio(byNumber).samples);
    ASSERT_EQ(RunRender({"--program", "7.83 (SCHUMANN", "--seconds", "0.5", "-o", byName}).exitCode,
              0);
    EXPECT_EQ(ReadAudio(byName).samples, ReadAudio(byNumber).samples);
}

TEST_F(RenderToFile, SetOverridesTheProgramByNameInPlainUnitsAndTexts) {
    const auto output = folder.Path("set.wav");
    const auto result = RunRender({"--program", kSchumann, "--set", "Frequency=300", "--set",
                                   "Binaural=10 Hz", "--set", "center freq=No", "--set",
                                   "Wave=Triangle", "--seconds", "1", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.channels, 2);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, 0, 48000), 300.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[1], 48000, 0, 48000), 310.0, 0.01);
    // A triangle changes by the same amount every sample on its rising part;
    // a sine would not.
    const auto& left = audio.samples[0];
    const float slope = left[1001] - left[1000];
    EXPECT_NEAR(left[1002] - left[1001], slope, 1e-4);
}

TEST_F(RenderToFile, NotesPlayInSynthesizerModeAndEndWithTheirRelease) {
    const auto output = folder.Path("notes.wav");
    // Defaults: tuning 440 Hz, beat 4 Hz above, release 500 ms.
    const auto result = RunRender(
        {"--note", "0:69:127:1", "--seconds", "2", "--set", "Attack=0", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.frames, 96000);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, 0, 48000), 440.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[1], 48000, 0, 48000), 444.0, 0.01);
    EXPECT_GT(Peak(audio.samples[0], 0, 48000), 0.4f);
    EXPECT_LT(Peak(audio.samples[0], 80000, 96000), 1e-6f) << "released after 500 ms";
}

TEST_F(RenderToFile, NotesOverrideAGeneratorProgram) {
    const auto output = folder.Path("notes.wav");
    // A short fade so the pitch settles at once instead of gliding from the idle pitch.
    const auto result = RunRender({"--program", kSchumann, "--note", "0.5:69:100:0.5", "--set",
                                   "Fade=1", "--seconds", "1", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    // Silent until the note starts, to the frame: the program's generator does not sound.
    EXPECT_EQ(Peak(audio.samples[0], 0, 24000), 0.f);
    EXPECT_GT(Peak(audio.samples[0], 24000, 24010), 0.f);
    // Center Freq is on in the program: 440 - 3.915.
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, 25000, 48000), 436.085, 0.01);
}

TEST_F(RenderToFile, FadesStartAndEndAtSilenceAndTheSummaryGivesThePeak) {
    const auto output = folder.Path("faded.wav");
    const auto result = RunRender(
        {"--program", kSchumann, "--seconds", "1", "--fade-in", "0.1", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    for (const auto& channel : audio.samples) {
        EXPECT_EQ(channel.front(), 0.f);
        EXPECT_LT(std::abs(channel.back()), 1e-5f) << "the default 20 ms fade-out";
        EXPECT_LT(Peak(channel, 0, 240), 0.01f);
        EXPECT_GT(Peak(channel, 47000, 47040), 0.3f);
    }
    EXPECT_NE(result.out.find("faded.wav: 00:00:01.000, 48000 Hz stereo, WAV float, peak -"),
              std::string::npos)
        << result.out;

    ASSERT_EQ(RunRender({"--program", kSchumann, "--seconds", "1", "--fade-out", "0", "-o", output})
                  .exitCode,
              0);
    EXPECT_GT(Peak(ReadAudio(output).samples[0], 47000, 48000), 0.3f);
}

TEST_F(RenderToFile, IntegerFormatsAndFlacKeepLengthAndPitch) {
    struct Case {
        std::string file;
        std::string format;
        int expected;
    };
    const std::vector<Case> cases{
        {"a.wav", "pcm16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"b.wav", "pcm24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"c.flac", "pcm16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"d.FLAC", "pcm24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto output = folder.Path(c.file);
        const auto result = RunRender({"--program", kSchumann, "--seconds", "1", "--rate", "44100",
                                       "--format", c.format, "-o", output.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto audio = ReadAudio(output);
        EXPECT_EQ(audio.format, c.expected);
        EXPECT_EQ(audio.frames, 44100);
        EXPECT_EQ(audio.sampleRate, 44100);
        EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[1], 44100, 0, 44100), 203.915, 0.02);
    }
}

TEST_F(RenderToFile, IntegerSamplesAreDitheredWithoutOffsetUnlessTurnedOff) {
    const std::string reference = folder.Path("float.wav").string();
    ASSERT_EQ(
        RunRender({"--program", kSchumann, "--set", "Volume=40", "--seconds", "1", "-o", reference})
            .exitCode,
        0);
    const auto exact = ReadAudio(reference).samples[0];
    for (const auto& [format, steps] :
         {std::pair{"pcm16", 32768.0}, std::pair{"pcm24", 8388608.0}}) {
        for (const bool dither : {true, false}) {
            SCOPED_TRACE(std::string(format) + (dither ? " tpdf" : " none"));
            const std::string output = folder.Path(std::string(format) + ".wav").string();
            ASSERT_EQ(
                RunRender({"--program", kSchumann, "--set", "Volume=40", "--seconds", "1",
                           "--format", format, "--dither", dither ? "tpdf" : "none", "-o", output})
                    .exitCode,
                0);
            const auto rounded = ReadAudio(output).samples[0];
            double sum = 0.0;
            double worst = 0.0;
            for (std::size_t i = 0; i < exact.size(); ++i) {
                const double error = (rounded[i] - static_cast<double>(exact[i])) * steps;
                sum += error;
                worst = std::max(worst, std::fabs(error));
            }
            EXPECT_LT(std::fabs(sum / static_cast<double>(exact.size())), 0.02) << "no offset";
            // Rounding alone stays within half a step; dither spreads it to 1.5.
            if (dither) {
                EXPECT_GT(worst, 0.6);
                EXPECT_LE(worst, 1.5);
            } else {
                EXPECT_LE(worst, 0.5 + 1e-3);
            }
        }
    }
}

TEST_F(RenderToFile, AMonoInputAtAnotherRateFeedsBothEarsAndSetsTheLength) {
    // One second of 1 kHz at 44.1 kHz, mono, through a synthesizer without notes.
    const auto input = folder.Path("input.wav");
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(input.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> tone(44100);
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = 0.25f * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / 44100.0));
        sf_writef_float(file, tone.data(), static_cast<sf_count_t>(tone.size()));
        sf_close(file);
    }
    const auto output = folder.Path("mixed.wav");
    const auto result = RunRender({"--input", input.string(), "--set", "Mode=Synthesizer",
                                   "--fade-out", "0", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    EXPECT_EQ(audio.frames, 48000);
    for (const auto& channel : audio.samples) {
        EXPECT_NEAR(ZeroCrossingFrequency(channel, 48000, 1000, 47000), 1000.0, 0.01);
        EXPECT_NEAR(Peak(channel, 1000, 47000), 0.25f, 0.005f);
    }
}

TEST_F(RenderToFile, LengthDoesNotDependOnTheBlockSize) {
    const auto output = folder.Path("odd.wav");
    ASSERT_EQ(RunRender({"--program", kSchumann, "--seconds", "0.01", "--block", "7", "-o", output})
                  .exitCode,
              0);
    EXPECT_EQ(ReadAudio(output).frames, 480);
}

TEST_F(RenderToFile, TheWritingThreadWritesTheSameFileAsOneThread) {
    // Notes cut blocks short, so the queued blocks are filled unevenly; the
    // fades are finished on the writing thread.
    const std::vector<std::string> common{
        "--program",  kSchumann,   "--note", "0.7:60:90:0.9", "--note", "1.95:72:127:0.5", "--set",
        "Attack=20",  "--seconds", "3",      "--block",       "300",    "--fade-in",       "0.4",
        "--fade-out", "0.9"};
    for (const auto& [file, format] :
         {std::pair{"a.wav", "pcm16"}, std::pair{"b.wav", "float"}, std::pair{"c.flac", "pcm24"}}) {
        SCOPED_TRACE(file);
        const std::string one = folder.Path(std::string("one-") + file).string();
        const std::string two = folder.Path(std::string("two-") + file).string();
        auto arguments = common;
        arguments.insert(arguments.end(), {"--format", format, "-o", two});
        ASSERT_EQ(RunRender(arguments).exitCode, 0);
        arguments.back() = one;
        arguments.push_back("--single-thread");
        ASSERT_EQ(RunRender(arguments).exitCode, 0);
        const AudioFile written = ReadAudio(two);
        EXPECT_EQ(written.frames, 144000);
        EXPECT_EQ(written.samples, ReadAudio(one).samples);
        // Float WAV headers carry the time of writing; the others must match
        // to the byte.
        if (std::string(format) != "float") {
            EXPECT_TRUE(WholeFile(two) == WholeFile(one));
        }
    }
}

TEST_F(RenderToFile, AWriteFailureOnTheWritingThreadEndsTheRenderCleanly) {
    // A file size limit makes the writes fail part way through.
    struct SizeLimit {
        rlimit previous{};
        void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
        SizeLimit() {
            getrlimit(RLIMIT_FSIZE, &previous);
            rlimit limited = previous;
            limited.rlim_cur = 1 << 20;
            setrlimit(RLIMIT_FSIZE, &limited);
        }
        ~SizeLimit() {
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, previousHandler);
        }
    };
    CommandResult result;
    {
        const SizeLimit limit;
        result = RunRender(
            {"--program", kSchumann, "--seconds", "60", "-o", folder.Path("big.wav").string()});
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_TRUE(folder.Entries().empty());
}

// Every bad input: one line on stderr naming the problem, a non-zero exit, and
// neither the output nor a temporary file left behind.
struct BadInput {
    std::string label;
    std::vector<std::string> arguments;
    std::string expectedText;
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.label;
}

class RenderRejects : public ::testing::TestWithParam<BadInput> {};

TEST_P(RenderRejects, WithOneLineAndNoOutputFile) {
    ScratchFolder folder;
    std::vector<std::string> arguments = GetParam().arguments;
    for (auto& argument : arguments) {
        if (argument.rfind("OUT/", 0) == 0) argument = folder.Path(argument.substr(4)).string();
    }
    const auto result = RunRender(arguments);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find(GetParam().expectedText), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_TRUE(folder.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    BadInputs, RenderRejects,
    ::testing::Values(
        BadInput{"UnknownProgramName",
                 {"--program", "No such program", "-o", "OUT/x.wav"},
                 "unknown program"},
        BadInput{"ProgramNumberTooHigh", {"--program", "130", "-o", "OUT/x.wav"}, "0 to 129"},
        BadInput{"UnknownParameter",
                 {"--set", "Loudness=3", "-o", "OUT/x.wav"},
                 "unknown parameter \"Loudness\""},
        BadInput{
            "ValueAboveRange", {"--set", "Frequency=30000", "-o", "OUT/x.wav"}, "out of range"},
        BadInput{"ValueBelowRange", {"--set", "Volume=-1", "-o", "OUT/x.wav"}, "out of range"},
        BadInput{"ValueNotANumber", {"--set", "Frequency=fast", "-o", "OUT/x.wav"}, "not a number"},
        BadInput{"FractionForWholeNumbers",
                 {"--set", "Attack=10.5", "-o", "OUT/x.wav"},
                 "whole numbers"},
        BadInput{"UnknownValueText",
                 {"--set", "Wave=Saw", "-o", "OUT/x.wav"},
                 "Sine, Sine half, Triangle or Square"},
        BadInput{"SetWithoutValue", {"--set", "Frequency", "-o", "OUT/x.wav"}, "Name=value"},
        BadInput{"MissingModule",
                 {"--module", "/nonexistent/Tonewell.so", "-o", "OUT/x.wav"},
                 "/nonexistent"},
        BadInput{"UnloadableModule",
                 {"--module", "/etc/hostname", "-o", "OUT/x.wav"},
                 "cannot load module"},
        BadInput{"UnwritableFolder",
                 {"--program", "83", "-o", "/nonexistent-folder/x.wav"},
                 "cannot write output file"},
        BadInput{"AmbiguousProgramPart",
                 {"--program", "schumann", "-o", "OUT/x.wav"},
                 "matches 5 programs: 83 \"Binaural - 7.83"},
        BadInput{"SilentSynthesizer",
                 {"--program", "432Hz Tunning", "-o", "OUT/x.wav"},
                 "renders only silence; add --note"},
        BadInput{"NegativeFade", {"--fade-out=-1", "-o", "OUT/x.wav"}, "--fade-out"},
        BadInput{"InputNotAudio", {"--input", "/etc/hostname", "-o", "OUT/x.wav"}, "--input"},
        BadInput{"UnknownDither", {"--dither", "rect", "-o", "OUT/x.wav"}, "--dither"},
        BadInput{"UnknownExtension", {"-o", "OUT/x.mp3"}, ".wav or .flac"},
        BadInput{"NoOutput", {"--seconds", "1"}, "-o/--output"},
        BadInput{"UnknownFormat", {"--format", "pcm8", "-o", "OUT/x.wav"}, "--format"},
        BadInput{"FlacAsFloat", {"-o", "OUT/x.flac"}, "pcm16"},
        BadInput{"ZeroSeconds", {"--seconds", "0", "-o", "OUT/x.wav"}, "--seconds"},
        BadInput{"NegativeSeconds", {"--seconds=-2", "-o", "OUT/x.wav"}, "--seconds"},
        BadInput{"SecondsNotANumber", {"--seconds", "ten", "-o", "OUT/x.wav"}, "--seconds"},
        BadInput{"TooManySeconds", {"--seconds", "1e9", "-o", "OUT/x.wav"}, "--seconds"},
        BadInput{"ZeroRate", {"--rate", "0", "-o", "OUT/x.wav"}, "--rate"},
        BadInput{"RateNotANumber", {"--rate", "44.1k", "-o", "OUT/x.wav"}, "--rate"},
        BadInput{"ZeroBlock", {"--block", "0", "-o", "OUT/x.wav"}, "--block"},
        BadInput{"HugeBlock", {"--block", "100000", "-o", "OUT/x.wav"}, "--block"},
        BadInput{"NoteAbove127", {"--note", "0:128:100:1", "-o", "OUT/x.wav"}, "0 to 127"},
        BadInput{"NoteBelow0", {"--note", "0:-1:100:1", "-o", "OUT/x.wav"}, "0 to 127"},
        BadInput{"ZeroVelocity", {"--note", "0:60:0:1", "-o", "OUT/x.wav"}, "velocity"},
        BadInput{"ZeroDuration", {"--note", "0:60:100:0", "-o", "OUT/x.wav"}, "duration"},
        BadInput{"NegativeStart", {"--note=-1:60:100:1", "-o", "OUT/x.wav"}, "start time"},
        BadInput{"NoteMissingField",
                 {"--note", "0:60:100", "-o", "OUT/x.wav"},
                 "TIME:NOTE:VELOCITY:DURATION"},
        BadInput{"NoteAfterEnd", {"--note", "20:60:100:1", "-o", "OUT/x.wav"}, "after the end"},
        BadInput{"NotesInGeneratorMode",
                 {"--set", "Mode=Generator", "--note", "0:60:100:1", "-o", "OUT/x.wav"},
                 "synthesizer mode"},
        BadInput{"UnknownOption", {"--bogus", "-o", "OUT/x.wav"}, "--bogus"},
        BadInput{"ExportNotMidi",
                 {"--session", "OUT/s.txt", "--export-automation", "OUT/a.txt"},
                 ".mid or .midi"},
        BadInput{"TonesWithSession",
                 {"--session", "OUT/s.txt", "--tones", "200/5", "-o", "OUT/x.wav"},
                 "give one of them"},
        BadInput{"MissingSession",
                 {"--session", "OUT/none.txt", "-o", "OUT/x.wav"},
                 "cannot read the session file"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.label; });

TEST(RenderRejectsOutput, AFailedRenderLeavesAnExistingFileUntouched) {
    ScratchFolder folder;
    const auto output = folder.Path("keep.wav");
    std::ofstream(output) << "previous contents";
    const auto result = RunRender({"--program", "nonsense", "-o", output.string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(WholeFile(output), "previous contents");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"keep.wav"});
}

// The file being written has no name, so there is nothing to wait for in the
// folder: half a second is well into an hour-long render.
TEST(RenderRejectsOutput, AnInterruptedOrKilledRenderLeavesNothingBehind) {
    for (const int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal);
        ScratchFolder folder;
        RenderProcess render(
            {"--program", kSchumann, "--seconds", "3600", "-o", folder.Path("long.wav").string()});
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        render.Signal(signal);
        const auto result = render.Wait();
        EXPECT_NE(result.exitCode, 0);
        if (signal == SIGINT) {
            EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
        }
        EXPECT_TRUE(folder.Entries().empty());
    }
}

TEST(RenderRejectsOutput, AFolderIsNotAnOutputFile) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path("sub.wav"));
    const auto result = RunRender({"--program", "83", "-o", folder.Path("sub.wav").string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"sub.wav"});
}

TEST(RenderHelp, NamesEveryOptionAndTheDefaultModule) {
    const auto result = RunRender({"--help"});
    ASSERT_EQ(result.exitCode, 0);
    for (const char* option : {"--module",  "--list-programs", "--list-params",
                               "--program", "--set",           "--note",
                               "--seconds", "--rate",          "--block",
                               "--output",  "--format",        "--single-thread",
                               "--session", "--print-session", "--export-automation",
                               "--fade-in", "--fade-out",      "--input",
                               "--dither",  "--tones",         "Tonewell.so"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

} // namespace
} // namespace tonewell::render::test
