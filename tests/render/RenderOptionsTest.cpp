// The command-line parsing and note timing of the renderer, without a plug-in.
#include "RenderOptions.h"

#include <NoteEventList.h>
#include <gtest/gtest.h>

#include "DefaultModulePath.h"
#include "NoteSchedule.h"
#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {
namespace {

RenderOptions Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "tonewell-render");
    std::vector<const char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(argument.c_str());
    return RenderOptions::Parse(static_cast<int>(argv.size()), argv.data(), "/default/Tonewell.so");
}

TEST(RenderOptions, DefaultsAndEveryOptionAreRead) {
    const auto defaults = Parse({"-o", "x.wav"});
    EXPECT_EQ(defaults.modulePath, "/default/Tonewell.so");
    EXPECT_EQ(defaults.sampleRate, 48000);
    EXPECT_EQ(defaults.blockSize, 512);
    EXPECT_EQ(defaults.sampleFormat, SampleFormat::Float);
    EXPECT_EQ(defaults.fileType, FileType::Wav);
    EXPECT_FALSE(defaults.program);

    const auto options = Parse({"--module",  "m.so",
                                "--program", "83",
                                "--set",     "Wave = Triangle",
                                "--set",     "Volume=50",
                                "--note",    "0.5:60:100:1.5",
                                "--seconds", "2.5",
                                "--rate",    "44100",
                                "--block",   "64",
                                "--format",  "pcm24",
                                "--output",  "song.Flac"});
    EXPECT_EQ(options.modulePath, "m.so");
    EXPECT_EQ(options.program, "83");
    ASSERT_EQ(options.assignments.size(), 2u);
    EXPECT_EQ(options.assignments[0].name, "Wave");
    EXPECT_EQ(options.assignments[0].value, "Triangle");
    ASSERT_EQ(options.notes.size(), 1u);
    EXPECT_DOUBLE_EQ(options.notes[0].startSeconds, 0.5);
    EXPECT_EQ(options.notes[0].note, 60);
    EXPECT_EQ(options.notes[0].velocity, 100);
    EXPECT_DOUBLE_EQ(options.notes[0].durationSeconds, 1.5);
    EXPECT_DOUBLE_EQ(options.seconds, 2.5);
    EXPECT_EQ(options.sampleRate, 44100);
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.sampleFormat, SampleFormat::Pcm24);
    EXPECT_EQ(options.fileType, FileType::Flac);
}

TEST(RenderOptions, ListingNeedsNoOutputAndHelpStopsParsing) {
    EXPECT_TRUE(Parse({"--list-programs"}).listPrograms);
    EXPECT_TRUE(Parse({"--list-params"}).Lists());
    const auto help = Parse({"--help", "--rate", "nonsense"});
    ASSERT_TRUE(help.helpText);
    EXPECT_NE(help.helpText->find("/default/Tonewell.so"), std::string::npos);
}

TEST(RenderOptions, RangeLimitsAreInclusive) {
    EXPECT_EQ(Parse({"--rate", "8000", "-o", "x.wav"}).sampleRate, 8000);
    EXPECT_EQ(Parse({"--rate", "384000", "-o", "x.wav"}).sampleRate, 384000);
    EXPECT_EQ(Parse({"--block", "1", "-o", "x.wav"}).blockSize, 1);
    EXPECT_THROW(Parse({"--rate", "7999", "-o", "x.wav"}), RenderError);
    EXPECT_THROW(Parse({"--rate", "384001", "-o", "x.wav"}), RenderError);
    EXPECT_THROW(Parse({"--seconds", "inf", "-o", "x.wav"}), RenderError);
    EXPECT_THROW(Parse({"--seconds", "nan", "-o", "x.wav"}), RenderError);
    EXPECT_THROW(Parse({"--seconds", "0x10", "-o", "x.wav"}), RenderError);
    EXPECT_THROW(Parse({"--rate", "48000.5", "-o", "x.wav"}), RenderError);
}

TEST(RenderOptions, OutputTypeComesFromTheExtensionOnly) {
    EXPECT_EQ(Parse({"-o", "dir.flac/take.WAV"}).fileType, FileType::Wav);
    EXPECT_THROW(Parse({"-o", "dir.wav/take"}), RenderError);
    EXPECT_THROW(Parse({"-o", "take.wav.mp3"}), RenderError);
    EXPECT_NO_THROW(Parse({"--format", "pcm16", "-o", "take.flac"}));
    EXPECT_THROW(Parse({"--format", "float", "-o", "take.flac"}), RenderError);
}

TEST(NoteRequest, FieldsAreCheckedOneByOne) {
    const auto note = NoteRequest::Parse("0:0:1:0.001");
    EXPECT_EQ(note.note, 0);
    EXPECT_EQ(note.velocity, 1);
    EXPECT_EQ(NoteRequest::Parse("1:127:127:2").note, 127);
    for (const char* bad : {"", "1:2:3", "1:2:3:4:5", "a:60:100:1", "0:60.5:100:1", "0:60:128:1",
                            "0:60:100:-1", "0:60:100:", "0::100:1"})
        EXPECT_THROW(NoteRequest::Parse(bad), RenderError) << bad;
}

TEST(NoteSchedule, VelocitiesSurviveTheRoundTripThroughHostUnits) {
    for (int velocity = 1; velocity <= 127; ++velocity) {
        const float host = NoteSchedule::HostVelocity(velocity);
        EXPECT_LE(host, 1.0f);
        EXPECT_EQ(static_cast<int>(host * 127.0f), velocity);
        EXPECT_EQ(static_cast<int>(static_cast<double>(host) * 127.0), velocity);
    }
}

TEST(NoteSchedule, EventsLandInTheirBlockAndOffsPrecedeOnsAtOneFrame) {
    // At 1000 Hz: note A covers frames 0..10, note B starts where A ends.
    NoteSchedule schedule({{0.0, 60, 100, 0.010}, {0.010, 62, 100, 0.005}}, 1000);
    hostkit::NoteEventList events;
    Steinberg::Vst::Event event{};

    schedule.Fill(0, 8, events);
    ASSERT_EQ(events.getEventCount(), 1);
    events.getEvent(0, event);
    EXPECT_EQ(event.type, Steinberg::Vst::Event::kNoteOnEvent);
    EXPECT_EQ(event.sampleOffset, 0);

    events.Clear();
    schedule.Fill(8, 8, events);
    ASSERT_EQ(events.getEventCount(), 3);
    events.getEvent(0, event);
    EXPECT_EQ(event.type, Steinberg::Vst::Event::kNoteOffEvent);
    EXPECT_EQ(event.sampleOffset, 2);
    events.getEvent(1, event);
    EXPECT_EQ(event.type, Steinberg::Vst::Event::kNoteOnEvent);
    EXPECT_EQ(event.noteOn.pitch, 62);
    events.getEvent(2, event);
    EXPECT_EQ(event.type, Steinberg::Vst::Event::kNoteOffEvent);
    EXPECT_EQ(event.sampleOffset, 7);

    events.Clear();
    schedule.Fill(16, 8, events);
    EXPECT_EQ(events.getEventCount(), 0);
}

TEST(TextParsing, NumbersAreWholeTextsAndFormatWithoutNoise) {
    EXPECT_EQ(ParseNumber(" 2.5 "), 2.5);
    EXPECT_FALSE(ParseNumber("2.5x"));
    EXPECT_FALSE(ParseNumber("1e999"));
    EXPECT_FALSE(ParseInteger("12 3"));
    EXPECT_EQ(FormatNumber(20000.0), "20000");
    EXPECT_EQ(FormatNumber(0.01), "0.01");
    EXPECT_EQ(FormatNumber(199.99999999997), "200");
    EXPECT_EQ(FormatNumber(-0.0000001), "0");
}

} // namespace
} // namespace tonewell::render

// An installed renderer finds the bundle its package put under the prefix,
// then the user's and the system's VST 3 folders; a build tree's beside it.
TEST(RenderOptions, TheModuleIsLookedForBesideThenUnderThePrefixThenInVst3Folders) {
    const std::string module = "Tonewell.vst3/Contents/x86_64-linux/Tonewell.so";
    EXPECT_EQ(tonewell::render::ModuleCandidates("/usr/bin/", "/home/u"),
              (std::vector<std::string>{"/usr/bin/" + module, "/usr/bin/../lib/vst3/" + module,
                                        "/home/u/.vst3/" + module, "/usr/local/lib/vst3/" + module,
                                        "/usr/lib/vst3/" + module}));
    EXPECT_EQ(tonewell::render::ModuleCandidates("", nullptr).size(), 4u);
}
