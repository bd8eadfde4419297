#pragma once

#include <RtAudio.h>
#include <chrono>

namespace tonewell::standalone {

// The system's audio interface to play through, among those RtAudio was
// built with: on Linux PulseAudio when a server answers, ALSA otherwise.
RtAudio::Api PreferredAudioApi();

// The frames per buffer a stream gets unless the user asks for others: the
// fewest with which the system's audio interface plays without gaps.
unsigned int DefaultBufferFrames();

// How long sound written to `api` may wait in the device before it is heard,
// when stopping the stream drops it instead of playing it out.
std::chrono::milliseconds UnplayedAtStop(RtAudio::Api api);

} // namespace tonewell::standalone
