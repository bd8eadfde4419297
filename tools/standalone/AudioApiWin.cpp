#include <vector>

#include "AudioApi.h"

namespace tonewell::standalone {

// WASAPI, the system's own shared output since Vista, where RtAudio has it;
// DirectSound otherwise.
RtAudio::Api PreferredAudioApi() {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    for (const auto wanted : {RtAudio::WINDOWS_WASAPI, RtAudio::WINDOWS_DS})
        for (const auto compiled : apis)
            if (compiled == wanted) return wanted;
    return RtAudio::UNSPECIFIED;
}

// The system's mixer takes sound in periods of 10 ms (480 frames at 48 kHz):
// with buffers of 256 frames RtAudio needs two callbacks for each, and on a
// busy machine (Wine's PulseAudio driver) that left gaps which 512 did not.
unsigned int DefaultBufferFrames() {
    return 512;
}

// RtAudio stops a WASAPI client at once, and whatever the device still holds
// (tens of milliseconds, more under Wine) is lost: the end of a fade-out.
// DirectSound plays its buffer out.
std::chrono::milliseconds UnplayedAtStop(RtAudio::Api api) {
    return std::chrono::milliseconds(api == RtAudio::WINDOWS_WASAPI ? 200 : 0);
}

} // namespace tonewell::standalone
