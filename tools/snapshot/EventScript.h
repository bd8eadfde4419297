// The event script: one event per line, words separated by blanks, '#'
// starts a comment. Forms (X, Y, CODE, N whole numbers, DELTA a number):
//   press X Y [MODS]    release X Y [MODS]    drag X Y [MODS]
//   click X Y [MODS]    double X Y [MODS]     wheel X Y DELTA [MODS]
//   over X Y [MODS]     leave                 key X Y CODE
//   tick [N]            paint
// MODS are any of: left, right, shift, control (or ctrl), alt. The button
// events (press, release, drag, click, double) use the left button unless
// right is named; wheel and over hold a button only when one is named.
#pragma once

#include <string>
#include <vector>

#include "ScriptEvent.h"

namespace tonewell::snapshot {

class EventScript {
public:
    // Most timer ticks one line may ask for.
    static constexpr int kMaxTicks = 100000;

    // Parses a whole script. Throws SnapshotError with "SOURCE:LINE: problem"
    // for the first malformed line.
    static std::vector<ScriptEvent> Parse(const std::string& text, const std::string& source);
    // Parses one line; false for a blank or comment line. Throws SnapshotError
    // with "SOURCE:LINE: problem" when malformed.
    static bool ParseLine(const std::string& line, int lineNumber, const std::string& source,
                          ScriptEvent& out);
    // Reads and parses a script file; an unreadable file throws SnapshotError.
    static std::vector<ScriptEvent> Load(const std::string& path);
};

} // namespace tonewell::snapshot
