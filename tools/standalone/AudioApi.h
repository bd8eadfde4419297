#pragma once

#include <RtAudio.h>

namespace tonewell::standalone {

// The system's audio interface to play through, among those RtAudio was
// built with: on Linux PulseAudio when a server answers, ALSA otherwise.
RtAudio::Api PreferredAudioApi();

} // namespace tonewell::standalone
