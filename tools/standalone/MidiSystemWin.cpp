#include <windows.h>

#include "MidiSystem.h"

namespace tonewell::standalone {

// RtMidi's Windows input is the Multimedia API (windows.h brings it); without an input device
// RtMidi would print a complaint of its own.
bool MidiSystemPresent() {
    return midiInGetNumDevs() > 0;
}

} // namespace tonewell::standalone
