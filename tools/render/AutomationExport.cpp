#include "AutomationExport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

#include "OutputFile.h"
#include "ParameterCatalog.h"
#include "RenderError.h"
#include "SessionTimeline.h"
#include "TextParsing.h"

namespace tonewell::render {

namespace {

struct MidiEvent {
    std::int64_t tick;
    int order; // at one tick: note-offs, then bank and program, then note-ons
    std::vector<std::uint8_t> bytes;
};

std::int64_t Ticks(double seconds) {
    return std::llround(seconds * AutomationExport::kTicksPerSecond);
}

void PutVariableLength(std::vector<std::uint8_t>& out, std::uint64_t value) {
    std::uint8_t groups[10];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
    OutputFile file(path);
    const int descriptor = file.ReleaseDescriptor();
    const auto* bytes = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t result = ::write(descriptor, bytes + written, size - written);
        if (result < 0 && errno == EINTR) continue;
        if (result <= 0) {
            const std::string reason = std::strerror(errno);
            ::close(descriptor);
            throw RenderError("cannot write " + path + ": " + reason);
        }
        written += static_cast<std::size_t>(result);
    }
    if (::close(descriptor) != 0) throw RenderError("cannot write " + path);
    file.Commit();
}

} // namespace

std::string AutomationExport::CsvPathFor(const std::string& midiPath) {
    for (const char* extension : {".mid", ".midi"}) {
        const std::size_t length = std::strlen(extension);
        if (midiPath.size() > length &&
            EqualsIgnoringCase(std::string_view(midiPath).substr(midiPath.size() - length),
                               extension))
            return midiPath.substr(0, midiPath.size() - length) + ".csv";
    }
    throw RenderError("--export-automation \"" + midiPath + "\" must end in .mid or .midi");
}

std::vector<std::uint8_t> AutomationExport::Midi(const SessionTimeline& timeline) {
    std::vector<MidiEvent> events;
    for (const auto& change : timeline.Programs()) {
        events.push_back({Ticks(change.seconds),
                          1,
                          {0xB0, 0x00, static_cast<std::uint8_t>(change.index / 128), 0xC0,
                           static_cast<std::uint8_t>(change.index % 128)}});
    }
    for (const auto& note : timeline.Notes()) {
        const auto pitch = static_cast<std::uint8_t>(note.note);
        const std::int64_t start = Ticks(note.startSeconds);
        const std::int64_t end =
            std::max(start + 1, Ticks(note.startSeconds + note.durationSeconds));
        events.push_back({start, 2, {0x90, pitch, static_cast<std::uint8_t>(note.velocity)}});
        events.push_back({end, 0, {0x80, pitch, 0x00}});
    }
    std::stable_sort(events.begin(), events.end(), [](const MidiEvent& a, const MidiEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    std::vector<std::uint8_t> track;
    const std::string name = "Tonewell session";
    track.insert(track.end(), {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(name.size())});
    track.insert(track.end(), name.begin(), name.end());
    track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // 500000 us a beat
    std::int64_t tick = 0;
    for (const auto& event : events) {
        PutVariableLength(track, static_cast<std::uint64_t>(event.tick - tick));
        tick = event.tick;
        // A bank select and program change share one tick: the second needs its own delta.
        if (event.bytes.size() == 5) {
            track.insert(track.end(), event.bytes.begin(), event.bytes.begin() + 3);
            track.push_back(0x00);
            track.insert(track.end(), event.bytes.begin() + 3, event.bytes.end());
        } else {
            track.insert(track.end(), event.bytes.begin(), event.bytes.end());
        }
    }
    PutVariableLength(track, static_cast<std::uint64_t>(
                                 std::max<std::int64_t>(0, Ticks(timeline.Seconds()) - tick)));
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
    PutBigEndian(file, 6, 4);
    PutBigEndian(file, 0, 2); // format 0
    PutBigEndian(file, 1, 2); // one track
    PutBigEndian(file, kTicksPerBeat, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

std::string AutomationExport::Csv(const SessionTimeline& timeline,
                                  const ParameterCatalog& parameters) {
    std::string csv = "seconds,parameter,value,normalized\n";
    const auto& list = parameters.Parameters();
    const auto row = [&](double seconds, std::size_t index, double plain) {
        char line[256];
        std::snprintf(line, sizeof line, "%.6f,%s,%s,%.9f\n", seconds, list[index].title.c_str(),
                      FormatNumber(plain).c_str(),
                      parameters.PlainToNormalized(list[index], plain));
        csv += line;
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!timeline.Touched()[i]) continue;
        // (seconds, plain) breakpoints. Every key is one, even one that repeats
        // the value: a slide after it starts there, not at an earlier point.
        std::vector<std::pair<double, double>> points;
        const auto add = [&points](double seconds, double plain) {
            if (!points.empty() && points.back().first == seconds) {
                if (points.back().second == plain) return;
                // At one time only the values before and after matter, and
                // nothing comes before the start.
                const bool jumpThere =
                    points.size() >= 2 && points[points.size() - 2].first == seconds;
                if (jumpThere || seconds == 0.0) {
                    points.back().second = plain;
                    if (jumpThere && points[points.size() - 2].second == plain) points.pop_back();
                    return;
                }
            }
            points.emplace_back(seconds, plain);
        };
        const auto& keys = timeline.Keys()[i];
        double value = keys.front().plain;
        add(0.0, value);
        for (std::size_t k = 1; k < keys.size(); ++k) {
            // A jump holds the old value up to its time.
            if (!keys[k].ramp) add(keys[k].seconds, value);
            value = keys[k].plain;
            add(keys[k].seconds, value);
        }
        add(timeline.Seconds(), value);
        // A point inside a stretch of one value changes nothing.
        for (std::size_t p = 0; p < points.size(); ++p) {
            if (p > 0 && p + 1 < points.size() && points[p - 1].second == points[p].second &&
                points[p + 1].second == points[p].second)
                continue;
            row(points[p].first, i, points[p].second);
        }
    }
    return csv;
}

void AutomationExport::Write(const std::string& midiPath, const SessionTimeline& timeline,
                             const ParameterCatalog& parameters) {
    const std::string csvPath = CsvPathFor(midiPath);
    const auto midi = Midi(timeline);
    const std::string csv = Csv(timeline, parameters);
    WriteFile(midiPath, midi.data(), midi.size());
    WriteFile(csvPath, csv.data(), csv.size());
}

} // namespace tonewell::render
