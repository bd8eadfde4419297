#pragma once

#include <map>
#include <optional>

#include "NoteQueue.h"

namespace tonewell::standalone {

// Notes from the computer's keys, laid out like a piano's: "a" plays C, the
// row of "asdfghjkl;" the white keys, "wetyuop" above them the black ones;
// "z" and "x" move the octave down and up. A held key plays once (auto-repeat
// is ignored), and its release ends the note it started, whatever the
// octave became in between.
class ComputerKeyboard {
public:
    // The note to play for a press of `key` (a lower-case character); none
    // for other keys, repeats, and the octave keys.
    std::optional<NoteQueue::Note> Press(char32_t key);
    // The note to end for a release; none when the key started no note.
    std::optional<NoteQueue::Note> Release(char32_t key);

    // C of the octave played: 60 (C4) at the start.
    int BaseNote() const { return 12 * (octave_ + 1); }

private:
    int octave_ = 4;
    std::map<char32_t, short> held_;
};

} // namespace tonewell::standalone
