#pragma once

#include <functional>
#include <string>
#include <vector>

#include "NoteRequest.h"
#include "SessionScript.h"

namespace tonewell::render {

class ParameterCatalog;
class ProgramCatalog;

// A session checked against the plug-in: per parameter, the points its value
// passes through, in plain units; the program changes; the notes; the length.
class SessionTimeline {
public:
    // A point of one parameter's automation. `ramp`: the value moves in a
    // straight line from the point before to this one. `sent`: the renderer
    // sends it; points that a program change or the starting values set are
    // not sent again.
    struct Key {
        double seconds = 0.0;
        double plain = 0.0;
        bool ramp = false;
        bool sent = true;
    };
    struct ProgramChange {
        double seconds = 0.0;
        int index = 0;
    };
    using ProgramValues = std::function<const std::vector<double>&(int index)>;

    // `start` holds the normalised values, in the order of the catalog's
    // parameters, that the render starts with. Throws RenderError with file,
    // line and column for unknown names, bad values, a slide of a parameter
    // with value texts, and a session longer than `maxSeconds`.
    SessionTimeline(const SessionScript& script, const ParameterCatalog& parameters,
                    const ProgramCatalog& programs, const std::vector<double>& start,
                    const ProgramValues& programValues, double maxSeconds);

    double Seconds() const { return seconds_; }
    // Indexed like the catalog's parameters.
    const std::vector<std::vector<Key>>& Keys() const { return keys_; }
    const std::vector<bool>& Touched() const { return touched_; }
    const std::vector<ProgramChange>& Programs() const { return programs_; }
    const std::vector<NoteRequest>& Notes() const { return notes_; }
    // Clamped values, one line each with file and line.
    const std::vector<std::string>& Warnings() const { return warnings_; }

    // One line per event: time, event, and the value of every touched
    // parameter just after it.
    const std::string& Listing() const { return listing_; }

private:
    std::vector<std::vector<Key>> keys_;
    std::vector<bool> touched_;
    std::vector<ProgramChange> programs_;
    std::vector<NoteRequest> notes_;
    std::vector<std::string> warnings_;
    // Value of parameter `index` at `seconds` when it has its first `count` keys.
    double ValueAfter(std::size_t index, double seconds, std::size_t count) const;

    std::string listing_;
    double seconds_ = 0.0;
};

} // namespace tonewell::render
