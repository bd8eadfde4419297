#pragma once

namespace tonewell::standalone {

// True when the system has a MIDI service to open ports on, checked without
// RtMidi, which prints its complaints where none is.
bool MidiSystemPresent();

} // namespace tonewell::standalone
