// Sessions played through the built module: slides, program changes and notes
// on their frames, and the session file's errors.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <tuple>

#include "RenderError.h"
#include "RenderHarness.h"
#include "SessionScript.h"

namespace tonewell::render::test {
namespace {

std::filesystem::path WriteSession(const ScratchFolder& folder, const std::string& name,
                                   const std::string& text) {
    const auto path = folder.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class RenderSession : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(RenderSession, ABinauralSlideFollowsItsStraightLine) {
    // A 1 ms fade makes the glide's time constant 12 samples, shorter than a
    // block, so the pitch follows the points sent each block without lag.
    const auto session = WriteSession(folder, "slide.txt",
                                      "0 set Mode=Generator Frequency=200 Binaural=10 Fade=1 "
                                      "\"Center Freq\"=No\n"
                                      "1:00 slide Binaural=4\n"
                                      "1:01 end\n");
    const auto output = folder.Path("slide.wav");
    const auto result = RunRender({"--session", session.string(), "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.frames, 61 * 48000);
    double worst = 0.0;
    for (int second = 1; second < 60; ++second) {
        const auto begin = static_cast<std::size_t>(second * 48000);
        const auto end = begin + 48000;
        const double beat = ZeroCrossingFrequency(audio.samples[1], 48000, begin, end) -
                            ZeroCrossingFrequency(audio.samples[0], 48000, begin, end);
        const double line = 10.0 - 6.0 * (second + 0.5) / 60.0;
        EXPECT_NEAR(beat, line, 0.01) << "second " << second;
        worst = std::max(worst, std::fabs(beat - line));
    }
    RecordProperty("WorstBeatErrorHz", std::to_string(worst));
    std::printf("worst beat error over the slide: %.6f Hz\n", worst);
}

// Large blocks make a block of lag plain (8.5 Hz here). Each block glides
// along the line to the line's value at its own end, so it sounds the value
// at its middle; the slide's end value holds from the block after its end.
// (The first block takes only its last point, as every block does: it starts
// there.)
TEST_F(RenderSession, AShortSlideInLargeBlocksKeepsStepWithItsBlocks) {
    const auto session = WriteSession(folder, "short.txt",
                                      "0 set Mode=Generator Frequency=200 Binaural=0 Fade=1\n"
                                      "1 slide Frequency=300\n"
                                      "1.5 end\n");
    const auto output = folder.Path("short.wav");
    const auto result =
        RunRender({"--session", session.string(), "--block", "4096", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.frames, 72000);
    constexpr std::size_t kBlock = 4096, kSlideEnd = 48000;
    for (std::size_t begin = kBlock; begin < kSlideEnd; begin += kBlock) {
        const std::size_t end = std::min(begin + kBlock, kSlideEnd);
        const double middle = 200.0 + 100.0 * (begin + end) / 2.0 / kSlideEnd;
        EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, begin, end), middle, 0.3)
            << "block from frame " << begin;
    }
    EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[0], 48000, kSlideEnd, kSlideEnd + kBlock),
                300.0, 0.01);
}

TEST_F(RenderSession, ProgramChangesAndNotesTakeEffectOnTheirFrames) {
    // Synthesizer mode without notes is silent until the note at 1.25 s; its
    // release ends by 2.25 s; the generator program at 5.0 s then sounds.
    const auto session = WriteSession(folder, "frames.txt",
                                      "0 set Mode=Synthesizer Attack=0 Release=500\n"
                                      "1.25 note 69 127 0.5\n"
                                      "5.0 program 83   # Schumann resonance, a generator\n"
                                      "9 end\n");
    const auto output = folder.Path("frames.wav");
    const auto result =
        RunRender({"--session", session.string(), "--block", "512", "-o", output.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto audio = ReadAudio(output);
    ASSERT_EQ(audio.channels, 2);
    const auto& left = audio.samples[0];
    EXPECT_EQ(Peak(left, 0, 60000), 0.f);
    EXPECT_GT(Peak(left, 60000, 60010), 0.f);
    EXPECT_EQ(Peak(left, 2 * 48000 + 24000, 240000), 0.f);
    EXPECT_GT(Peak(left, 240000, 240010), 0.f);
    // The program's 1 s fade glides the pitch down from the note's.
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 8 * 48000, 9 * 48000), 196.085, 0.05);
}

TEST_F(RenderSession, TheSameSessionRendersToTheSameBytes) {
    const auto session = WriteSession(folder, "twice.txt",
                                      "0 program 83\n"
                                      "2 slide Frequency=300 Binaural=12.5\n"
                                      "00:02.5 set Wave=Triangle\n"
                                      "3 end\n");
    for (const char* name : {"a.flac", "b.flac"}) {
        const auto result = RunRender(
            {"--session", session.string(), "--format", "pcm24", "-o", folder.Path(name).string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    EXPECT_TRUE(WholeFile(folder.Path("a.flac")) == WholeFile(folder.Path("b.flac")));
}

TEST_F(RenderSession, PrintSessionShowsTouchedValuesAtEveryEventAndRendersNothing) {
    const auto session = WriteSession(folder, "print.txt",
                                      "# from the program's value\n"
                                      "0 program 83\n"
                                      "0:30 set Wave=Triangle\n"
                                      "1:00 slide Binaural=4 Volume=150\n"
                                      "2:00 end\n");
    const auto result = RunRender({"--session", session.string(), "--print-session"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(
        result.out,
        "00:00:00.000  program 83  Binaural=7.83 Hz  Wave=Sine  Volume=90 %\n"
        "00:00:30.000  set Wave=Triangle  Binaural=5.915 Hz  Wave=Triangle  Volume=95 %\n"
        "00:01:00.000  slide Binaural=4 Volume=150  Binaural=4 Hz  Wave=Triangle  Volume=100 %\n"
        "00:02:00.000  end  Binaural=4 Hz  Wave=Triangle  Volume=100 %\n");
    EXPECT_NE(result.err.find("print.txt:4:30: warning: 150 is out of range"), std::string::npos)
        << result.err;
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"print.txt"});
}

TEST(SessionScript, TimesInTheirThreeForms) {
    double seconds = 0.0;
    ASSERT_TRUE(ParseSessionTime("90.5", seconds));
    EXPECT_EQ(seconds, 90.5);
    ASSERT_TRUE(ParseSessionTime("01:30", seconds));
    EXPECT_EQ(seconds, 90.0);
    ASSERT_TRUE(ParseSessionTime("1:02:03.25", seconds));
    EXPECT_EQ(seconds, 3723.25);
    for (const char* bad : {"", "1:60", "1.5:00", "-1", "1e3", "1:2:3:4", "a", "1:", ":5"})
        EXPECT_FALSE(ParseSessionTime(bad, seconds)) << bad;
    EXPECT_EQ(FormatSessionTime(3723.25), "01:02:03.250");
}

// Syntax errors carry file, line and column; names and values are checked
// against the plug-in by the command tests below.
TEST(SessionScript, ErrorsNameTheLineAndColumn) {
    const std::pair<const char*, const char*> cases[] = {
        {"0 set A=1\n\n  # note\n5 slide\n", "s.txt:4:3: slide needs"},
        {"0 set A=1\n0:10 end\n0:11 set A=2\n", "s.txt:3:1: nothing may follow"},
        {"10 set A=1\n5 set A=2\n", "s.txt:2:1: time 5 comes before"},
        {"0 set \"Center Freq=No\n", "s.txt:1:7: quote is not closed"},
        {"0 set Wave\n", "s.txt:1:7: expected NAME=VALUE"},
        {"0 jump A=1\n", "s.txt:1:3: unknown event \"jump\""},
        {"0 note 60 100\n", "s.txt:1:3: expected note NOTE VELOCITY DURATION"},
        {"0 note 60 0 1\n", "s.txt:1:11: velocity"},
        {"1:75 end\n", "s.txt:1:1: \"1:75\" is not a time"},
        {"# only a comment\n", "s.txt:1:1: the session has no events"},
    };
    for (const auto& [text, expected] : cases) {
        try {
            SessionScript::Parse(text, "s.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const RenderError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << error.what();
        }
    }
    try {
        SessionScript::Parse(std::string("0 end\n\x01\x02", 8), "s.txt");
        ADD_FAILURE() << "binary accepted";
    } catch (const RenderError& error) {
        EXPECT_NE(std::string(error.what()).find("not a text file"), std::string::npos);
    }
}

TEST(SessionScript, QuotedNamesProgramsWithSpacesAndComments) {
    const auto script = SessionScript::Parse("0 set \"Center Freq\"=No Wave=\"Sine half\"  # two\n"
                                             "1:00 program Binaural - 7.83 (Schumann Resonance)\n"
                                             "1:00 program \"Alpha #2\"\n"
                                             "2:00 note 69 100 0.5\n",
                                             "s.txt");
    const auto& events = script.Events();
    ASSERT_EQ(events.size(), 4u);
    ASSERT_EQ(events[0].assignments.size(), 2u);
    EXPECT_EQ(events[0].assignments[0].name.text, "Center Freq");
    EXPECT_EQ(events[0].assignments[1].value.text, "Sine half");
    EXPECT_EQ(events[0].assignments[1].value.column, 29);
    EXPECT_EQ(events[1].program.text, "Binaural - 7.83 (Schumann Resonance)");
    EXPECT_EQ(events[2].program.text, "Alpha #2");
    EXPECT_EQ(events[3].line, 4);
    EXPECT_EQ(events[3].durationSeconds, 0.5);
}

// The channel events of a format-0 Standard MIDI File as (tick, status, data1,
// data2) with running status undone; meta events are skipped.
std::vector<std::array<int, 4>> ReadMidiEvents(const std::string& bytes, int& division) {
    std::vector<std::array<int, 4>> events;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes.at(i)); };
    EXPECT_EQ(bytes.substr(0, 4), "MThd");
    division = at(12) << 8 | at(13);
    EXPECT_EQ(bytes.substr(14, 4), "MTrk");
    const std::size_t length = at(18) << 24 | at(19) << 16 | at(20) << 8 | at(21);
    EXPECT_EQ(bytes.size(), 22 + length);
    std::size_t i = 22;
    int tick = 0;
    while (i < bytes.size()) {
        int delta = 0;
        do
            delta = delta << 7 | (at(i) & 0x7F);
        while (at(i++) & 0x80);
        tick += delta;
        const int status = at(i++);
        if (status == 0xFF) {
            const int type = at(i++);
            i += at(i) + 1;
            if (type == 0x2F) events.push_back({tick, 0xFF, 0x2F, 0});
            continue;
        }
        const bool twoBytes = (status & 0xF0) != 0xC0;
        events.push_back({tick, status, at(i), twoBytes ? at(i + 1) : 0});
        i += twoBytes ? 2 : 1;
    }
    return events;
}

TEST_F(RenderSession, ExportedMidiAndCsvReadBackToTheSessionsEvents) {
    const auto session = WriteSession(folder, "export.txt",
                                      "0 program 129\n"
                                      "0.5 note 60 100 1\n"
                                      "1:00 program 83\n"
                                      "1:30 slide Binaural=4\n"
                                      "1:40 set Binaural=12 Wave=Square\n"
                                      "2:00 end\n");
    const auto midi = folder.Path("lane.mid");
    const auto result =
        RunRender({"--session", session.string(), "--export-automation", midi.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"export.txt", "lane.csv", "lane.mid"}));

    int division = 0;
    const auto events = ReadMidiEvents(WholeFile(midi), division);
    ASSERT_EQ(division, 960);
    // 120 beats a minute: 1920 ticks a second.
    const std::vector<std::array<int, 4>> expected{
        {0, 0xB0, 0, 1},      {0, 0xC0, 1, 0},       {960, 0x90, 60, 100},   {2880, 0x80, 60, 0},
        {115200, 0xB0, 0, 0}, {115200, 0xC0, 83, 0}, {230400, 0xFF, 0x2F, 0}};
    EXPECT_EQ(events, expected);

    // Binaural: the program 83 value to the slide, then a jump; Wave jumps once.
    EXPECT_EQ(WholeFile(folder.Path("lane.csv")), "seconds,parameter,value,normalized\n"
                                                  "0.000000,Binaural,4,0.007812500\n"
                                                  "60.000000,Binaural,4,0.007812500\n"
                                                  "60.000000,Binaural,7.83,0.015292969\n"
                                                  "90.000000,Binaural,4,0.007812500\n"
                                                  "100.000000,Binaural,4,0.007812500\n"
                                                  "100.000000,Binaural,12,0.023437500\n"
                                                  "120.000000,Binaural,12,0.023437500\n"
                                                  "0.000000,Wave,0,0.000000000\n"
                                                  "100.000000,Wave,0,0.000000000\n"
                                                  "100.000000,Wave,3,1.000000000\n"
                                                  "120.000000,Wave,3,1.000000000\n");
}

// The exported files as a session again, played as a DAW plays them: the MIDI
// file's program changes and notes, and each CSV lane as jumps (rows at one
// time, or holding a value) and straight lines (slides) between its rows.
std::string ReplaySession(const std::string& midi, const std::string& csv) {
    std::vector<std::tuple<double, int, std::string>> lines; // seconds, order at one time, event
    const auto at = [](double seconds) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", seconds);
        return std::string(text);
    };
    int division = 0;
    const auto events = ReadMidiEvents(midi, division);
    const auto seconds = [](int tick) { return tick / 1920.0; };
    for (std::size_t e = 0; e < events.size(); ++e) {
        const auto& [tick, status, data1, data2] = events[e];
        if (status == 0xC0 && e > 0 && events[e - 1][1] == 0xB0)
            lines.emplace_back(seconds(tick), 0,
                               "program " + std::to_string(events[e - 1][3] * 128 + data1));
        if (status == 0x90) {
            const auto off = std::find_if(
                events.begin() + static_cast<std::ptrdiff_t>(e), events.end(),
                [&](const auto& other) { return other[1] == 0x80 && other[2] == data1; });
            EXPECT_NE(off, events.end());
            if (off != events.end())
                lines.emplace_back(seconds(tick), 2,
                                   "note " + std::to_string(data1) + " " + std::to_string(data2) +
                                       " " + at(seconds((*off)[0] - tick)));
        }
        if (status == 0xFF) lines.emplace_back(seconds(tick), 3, "end");
    }
    std::istringstream rows(csv);
    std::string row, lane;
    std::getline(rows, row); // header
    double lastSeconds = 0.0;
    std::string lastValue;
    while (std::getline(rows, row)) {
        std::istringstream fields(row);
        std::string time, name, value;
        std::getline(fields, time, ',');
        std::getline(fields, name, ',');
        std::getline(fields, value, ',');
        const double when = std::stod(time);
        const bool first = name != lane;
        const bool slide = !first && when != lastSeconds && value != lastValue;
        lines.emplace_back(when, 1, (slide ? "slide \"" : "set \"") + name + "\"=" + value);
        lane = name;
        lastSeconds = when;
        lastValue = value;
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::string text;
    for (const auto& [when, order, event] : lines)
        text += at(when) + " " + event + "\n";
    return text;
}

// Every example session against its exported files replayed: each ear's
// frequency and level, second by second, and a CSV without repeated rows.
TEST_F(RenderSession, ExportedAutomationReplayedSoundsAsTheSession) {
    constexpr int kRate = 8000;
    for (const auto& entry : std::filesystem::directory_iterator(TONEWELL_SESSIONS_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const auto midi = folder.Path("lane.mid");
        const auto original = folder.Path("original.wav");
        const auto replayed = folder.Path("replayed.wav");
        auto result =
            RunRender({"--session", entry.path().string(), "--rate", std::to_string(kRate), "-o",
                       original.string(), "--export-automation", midi.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::string csv = WholeFile(folder.Path("lane.csv"));
        // A lane's rows: never the same twice; at one time at most a jump's
        // two, and at the start one.
        std::istringstream rows(csv);
        std::string row, previous;
        std::map<std::pair<std::string, std::string>, int> rowsAtOneTime;
        while (std::getline(rows, row)) {
            EXPECT_NE(row, previous);
            previous = row;
            const std::size_t comma = row.find(',');
            const std::string time = row.substr(0, comma);
            const int count = ++rowsAtOneTime[{
                row.substr(comma + 1, row.find(',', comma + 1) - comma - 1), time}];
            EXPECT_LE(count, time == "0.000000" ? 1 : 2) << row;
        }
        const auto replay = WriteSession(folder, "replay.txt", ReplaySession(WholeFile(midi), csv));
        result = RunRender({"--session", replay.string(), "--rate", std::to_string(kRate), "-o",
                            replayed.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err << WholeFile(replay);

        const auto a = ReadAudio(original), b = ReadAudio(replayed);
        ASSERT_EQ(a.frames, b.frames);
        double worstHz = 0.0, worstDb = 0.0;
        std::string whereHz, whereDb;
        for (int ear = 0; ear < 2; ++ear) {
            for (std::size_t begin = 0; begin + kRate <= a.samples[ear].size(); begin += kRate) {
                const std::size_t end = begin + kRate;
                double energyA = 0.0, energyB = 0.0;
                for (std::size_t i = begin; i < end; ++i) {
                    energyA += double(a.samples[ear][i]) * a.samples[ear][i];
                    energyB += double(b.samples[ear][i]) * b.samples[ear][i];
                }
                if (energyA < 1e-6 * kRate && energyB < 1e-6 * kRate) continue; // below -60 dB
                const double db =
                    std::fabs(10.0 * std::log10((energyA + 1e-30) / (energyB + 1e-30)));
                const double hz =
                    std::fabs(ZeroCrossingFrequency(a.samples[ear], kRate, begin, end) -
                              ZeroCrossingFrequency(b.samples[ear], kRate, begin, end));
                const std::string where =
                    "ear " + std::to_string(ear) + ", second " + std::to_string(begin / kRate);
                if (hz > worstHz) {
                    worstHz = hz;
                    whereHz = where;
                }
                if (db > worstDb) {
                    worstDb = db;
                    whereDb = where;
                }
            }
        }
        EXPECT_LE(worstHz, 1e-4) << whereHz;
        EXPECT_LE(worstDb, 0.1) << whereDb;
        std::printf("%s: replayed within %.2g Hz and %.2g dB\n",
                    entry.path().filename().string().c_str(), worstHz, worstDb);
    }
}

TEST_F(RenderSession, TheExampleSessionsRenderAtALowRate) {
    const std::pair<const char*, int> examples[] = {
        {"wind-down.txt", 20 * 60}, {"focus-beta.txt", 10 * 60}, {"melody.txt", 5}};
    for (const auto& [name, seconds] : examples) {
        SCOPED_TRACE(name);
        const auto output = folder.Path("example.wav");
        const auto result =
            RunRender({"--session", std::string(TONEWELL_SESSIONS_DIR "/") + name, "--rate", "8000",
                       "--format", "pcm16", "-o", output.string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto audio = ReadAudio(output);
        EXPECT_GE(audio.frames, seconds * 8000);
        EXPECT_GT(Peak(audio.samples[0], 0, audio.samples[0].size()), 0.1f);
        if (std::string(name) == "wind-down.txt") {
            // Theta at 17 minutes: the two ears 4 Hz apart.
            const std::size_t begin = 17 * 60 * 8000;
            EXPECT_NEAR(ZeroCrossingFrequency(audio.samples[1], 8000, begin, begin + 8000) -
                            ZeroCrossingFrequency(audio.samples[0], 8000, begin, begin + 8000),
                        4.0, 0.01);
        }
    }
}

// Mistakes only the plug-in can tell: one line with file, line and column, a
// non-zero exit and no output.
TEST(RenderSessionRejects, NamesValuesAndLengthsWithTheirLines) {
    const std::pair<const char*, const char*> cases[] = {
        {"0 set Mode=Generator\n1 set Loudness=3\n2 end\n", "bad.txt:2:7: unknown parameter"},
        {"0 set Wave=Saw\n1 end\n", "bad.txt:1:12: Wave takes Sine"},
        {"0 set Frequency=fast\n1 end\n", "bad.txt:1:17: \"fast\" is not a number"},
        {"0 slide Wave=Square\n1 end\n", "bad.txt:1:9: Wave has named values"},
        {"\xEF\xBB\xBF"
         "0 set Attack=10.5\n1 end\n",
         "bad.txt:1:14: Attack takes whole numbers"},
        {"0 program Nothing like it\n1 end\n", "bad.txt:1:11: unknown program"},
        {"25:00:01 end\n", "bad.txt:1:1: the session is longer"},
        {"0 set Volume=50\n", "bad.txt:1:1: the session has no length"},
        {"", "bad.txt:1:1: the session has no events"},
    };
    for (const auto& [text, expected] : cases) {
        ScratchFolder folder;
        const auto session = WriteSession(folder, "bad.txt", text);
        const auto result =
            RunRender({"--session", session.string(), "-o", folder.Path("x.wav").string()});
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.err.find(expected), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"bad.txt"});
    }
}

} // namespace
} // namespace tonewell::render::test
