#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ToneSpec.h"

namespace tonewell::session {

// What the options lines of a file ask for (-E, -F, -V, -w, -N, -c, -L).
struct SessionOptions {
    bool endAtLast = false;    // -E: stop at the last time line
    double fadeSeconds = 60.0; // -F: the cross-fade around each change
    double volume = 1.0;       // -V: global level, 0.01..1
    Waveform wave = Waveform::Sine;
    bool normalize = true; // -N turns off the scaling of loud tone-sets
    // -c: (frequency, factor) points, frequency falling, for low-frequency boost.
    std::vector<std::pair<double, double>> compensation;
    std::optional<double> lengthSeconds; // -L
    std::optional<double> startClock;    // -T: the clock time playing starts at
    // -m: the sound file mixed in, as written, and where it was written.
    std::string mixFile;
    int mixLine = 0, mixColumn = 0;
};

struct ToneSet {
    std::string name;
    std::vector<ToneSpec> tones;
    int line = 0;
};

// One change of tone-set in time order, at seconds from the session's start.
struct SequenceEntry {
    double seconds = 0.0;
    char fadeIn = '-';        // '<' from silence, '-' fade, '=' slide
    char fadeOut = '-';       // '>' to silence, '-' fade, '=' slide
    bool slideToNext = false; // "->": the whole period is a transition
    int toneSet = 0;          // index into ToneSets()
    int line = 0;
};

// An SBaGen session file (".sbg") or an immediate tone-set, read and checked:
// tone-sets, blocks expanded, times resolved into seconds from the first
// time line (clock times may pass midnight once), options applied.
class SbagenScript {
public:
    // Throws SessionError "name:line:col: what was expected".
    static SbagenScript Parse(std::string_view text, const std::string& name);
    // Tone specs separated by blanks, played from the start without end.
    static SbagenScript FromTones(std::string_view tones, const std::string& name = "--tones");
    // Reads a file (at most 16 MB of text). Throws SessionError.
    static SbagenScript Read(const std::string& path);
    // True when the text looks like SBaGen's format rather than Tonewell's own
    // session format (whose lines start with a time and a command word).
    static bool LooksLikeSbagen(std::string_view text);

    const std::string& Name() const { return name_; }
    const std::vector<ToneSet>& ToneSets() const { return toneSets_; }
    const std::vector<SequenceEntry>& Entries() const { return entries_; }
    const SessionOptions& Options() const { return options_; }
    const std::vector<std::string>& Warnings() const { return warnings_; }
    // The "##" comment lines, the file's own description.
    const std::vector<std::string>& Description() const { return description_; }
    // Seconds of the whole sequence: to its last time line with -E (or -L),
    // otherwise unknown: it plays on.
    std::optional<double> Length() const;
    // The last time line's time.
    double LastTime() const { return entries_.empty() ? 0.0 : entries_.back().seconds; }
    // Root-mean-square level of custom shape waveNN at full scale: its
    // samples scaled to 0..1, played forwards and then upside down.
    double WaveLevel(int number) const {
        return number >= 0 && number < 100 ? waveLevels_[static_cast<std::size_t>(number)] : 0.0;
    }
    // Line of the first tone-set in use that needs the mix audio; 0 for none.
    int MixLine() const;
    // The -m file, relative paths taken from the session file's folder; empty
    // when the session names none.
    std::string MixFilePath() const;

private:
    std::string name_;
    std::vector<ToneSet> toneSets_;
    std::vector<SequenceEntry> entries_;
    SessionOptions options_;
    std::vector<std::string> warnings_;
    std::vector<std::string> description_;
    std::vector<double> waveLevels_ = std::vector<double>(100, 0.0);

    friend class SbagenParser;
};

} // namespace tonewell::session
