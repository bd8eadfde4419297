#include <unistd.h>

#include "MidiSystem.h"

namespace tonewell::standalone {

// RtMidi's Linux input is the ALSA sequencer.
bool MidiSystemPresent() {
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

} // namespace tonewell::standalone
