#include "AudioOutput.h"

#include <algorithm>
#include <thread>

#include "AudioApi.h"
#include "LivePlayer.h"
#include "PlayError.h"

namespace tonewell::standalone {

namespace {

std::string RateList(const std::vector<unsigned int>& rates) {
    std::string text;
    for (const unsigned int rate : rates)
        text += (text.empty() ? "" : ", ") + std::to_string(rate);
    return text.empty() ? "none" : text;
}

// RtAudio tells an underrun the device came back from ("..., underrun.")
// from one it did not ("error preparing device after underrun, ...") only
// by its text.
bool IsRecoveredUnderrun(const std::string& message) {
    const std::string recovered = ", underrun.";
    return message.size() >= recovered.size() &&
           message.compare(message.size() - recovered.size(), recovered.size(), recovered) == 0;
}

} // namespace

std::atomic<bool> AudioOutput::lost_{false};
std::mutex AudioOutput::failureMutex_;
std::string AudioOutput::failure_;

AudioOutput::AudioOutput() {
    try {
        audio_ = std::make_unique<RtAudio>(PreferredAudioApi());
    } catch (const RtAudioError& error) {
        throw PlayError("no audio system: " + error.getMessage());
    }
    audio_->showWarnings(false);
}

AudioOutput::~AudioOutput() {
    try {
        Stop();
        if (audio_->isStreamOpen()) audio_->closeStream();
    } catch (const RtAudioError&) {
        // Closing on the way out: nothing left to tell the user.
    }
}

std::string AudioOutput::ApiName() const {
    return RtAudio::getApiDisplayName(audio_->getCurrentApi());
}

std::vector<AudioOutput::Device> AudioOutput::Devices() {
    std::vector<Device> devices;
    const unsigned int count = audio_->getDeviceCount();
    for (unsigned int index = 0; index < count; ++index) {
        RtAudio::DeviceInfo info;
        try {
            info = audio_->getDeviceInfo(index);
        } catch (const RtAudioError&) {
            continue;
        }
        if (!info.probed || info.outputChannels < 2) continue;
        devices.push_back({index, info.name, info.sampleRates, info.isDefaultOutput});
    }
    return devices;
}

void AudioOutput::Open(std::optional<unsigned int> device, unsigned int sampleRate,
                       unsigned int bufferFrames, LivePlayer& player) {
    const std::vector<Device> devices = Devices();
    if (devices.empty())
        throw PlayError("no audio output device (" + ApiName() +
                        (audio_->getCurrentApi() == RtAudio::LINUX_ALSA
                             ? "; no PulseAudio server answers either)"
                             : ")"));
    const auto chosen = std::find_if(devices.begin(), devices.end(), [&](const Device& entry) {
        return device ? entry.index == *device : entry.isDefault;
    });
    if (device && chosen == devices.end())
        throw PlayError("no stereo output device " + std::to_string(*device) +
                        "; --list-devices shows them");
    const Device& target = chosen != devices.end() ? *chosen : devices.front();
    if (std::find(target.sampleRates.begin(), target.sampleRates.end(), sampleRate) ==
        target.sampleRates.end())
        throw PlayError("device " + std::to_string(target.index) + " (" + target.name +
                        ") does not play at " + std::to_string(sampleRate) + " Hz; it offers " +
                        RateList(target.sampleRates));

    RtAudio::StreamParameters output;
    output.deviceId = target.index;
    output.nChannels = 2;
    RtAudio::StreamOptions options;
    // Separate channel buffers are what the plug-in writes into.
    options.flags = RTAUDIO_NONINTERLEAVED;
    options.streamName = "Tonewell";
    bufferFrames_ = bufferFrames;
    player_.store(&player);
    try {
        audio_->openStream(&output, nullptr, RTAUDIO_FLOAT32, sampleRate, &bufferFrames_,
                           &AudioOutput::Callback, this, &options, &AudioOutput::OnError);
    } catch (const RtAudioError& error) {
        throw PlayError("cannot open device " + std::to_string(target.index) + " (" + target.name +
                        ") at " + std::to_string(sampleRate) + " Hz: " + error.getMessage());
    }
    deviceName_ = target.name;
    // A stream lost before is past: this one starts afresh.
    {
        const std::lock_guard<std::mutex> lock(failureMutex_);
        failure_.clear();
    }
    lost_.store(false, std::memory_order_release);
}

void AudioOutput::Close() {
    Stop();
    try {
        if (audio_->isStreamOpen()) audio_->closeStream();
    } catch (const RtAudioError& error) {
        throw PlayError("the audio stream did not close: " + error.getMessage());
    }
}

void AudioOutput::Start() {
    try {
        audio_->startStream();
    } catch (const RtAudioError& error) {
        throw PlayError("cannot start the audio stream: " + error.getMessage());
    }
}

void AudioOutput::Stop() {
    if (!audio_->isStreamRunning()) return;
    try {
        if (Lost()) {
            audio_->abortStream();
        } else {
            // The stream goes on with what the player gives once finished
            // (silence) until the device has played out the rest.
            std::this_thread::sleep_for(UnplayedAtStop(audio_->getCurrentApi()));
            audio_->stopStream();
        }
    } catch (const RtAudioError& error) {
        throw PlayError("the audio stream did not stop: " + error.getMessage());
    }
}

std::string AudioOutput::Failure() const {
    const std::lock_guard<std::mutex> lock(failureMutex_);
    return failure_;
}

void AudioOutput::OnError(RtAudioError::Type type, const std::string& message) {
    if (type == RtAudioError::DEBUG_WARNING) return;
    // ALSA reports an underrun as a warning once it has prepared the device
    // again: the next callback counts it, and playing goes on.
    if (type == RtAudioError::WARNING && IsRecoveredUnderrun(message)) return;
    {
        const std::lock_guard<std::mutex> lock(failureMutex_);
        if (failure_.empty()) failure_ = message;
    }
    lost_.store(true, std::memory_order_release);
}

void AudioOutput::DetachPlayer() {
    // Sequentially consistent on both sides: once the callback is seen idle
    // after the player is taken away, any later callback finds it gone.
    player_.store(nullptr);
    while (busy_.load())
        std::this_thread::yield();
}

int AudioOutput::Callback(void* output, void*, unsigned int frames, double,
                          RtAudioStreamStatus status, void* self) {
    auto& stream = *static_cast<AudioOutput*>(self);
    stream.busy_.store(true);
    auto* left = static_cast<float*>(output);
    if (LivePlayer* live = stream.player_.load()) {
        if (status & RTAUDIO_OUTPUT_UNDERFLOW) live->CountUnderrun();
        live->Render(left, left + frames, static_cast<int>(frames));
    } else {
        std::fill(left, left + 2 * static_cast<std::size_t>(frames), 0.f);
    }
    stream.busy_.store(false);
    return 0;
}

} // namespace tonewell::standalone
