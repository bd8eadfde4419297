#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonewell::render {

class ParameterCatalog;
class SessionTimeline;

// A session as files a DAW imports: a Standard MIDI File (format 0, one track)
// with the notes and program changes, and a CSV of the parameter automation.
class AutomationExport {
public:
    // 120 beats a minute at 960 ticks a beat: 1920 ticks a second.
    static constexpr int kTicksPerBeat = 960;
    static constexpr int kTicksPerSecond = 1920;

    // "x.mid" gives "x.csv"; throws RenderError unless the path ends in .mid or .midi.
    static std::string CsvPathFor(const std::string& midiPath);

    // The MIDI file's bytes: a program change is a bank select (controller 0,
    // index / 128) then the program (index % 128), as 130 programs need two banks.
    static std::vector<std::uint8_t> Midi(const SessionTimeline& timeline);
    // "seconds,parameter,value,normalized" rows, one per point of every touched
    // parameter: a lane moves in a straight line between its rows, and a jump
    // is two rows at one time. Values are plain units; normalized is 0..1.
    static std::string Csv(const SessionTimeline& timeline, const ParameterCatalog& parameters);

    // Writes both files, each through a temporary name. Throws RenderError.
    static void Write(const std::string& midiPath, const SessionTimeline& timeline,
                      const ParameterCatalog& parameters);
};

} // namespace tonewell::render
