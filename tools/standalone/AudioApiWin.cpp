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

} // namespace tonewell::standalone
