#pragma once

#include <RtAudio.h>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tonewell::standalone {

class LivePlayer;

// A stereo 32-bit float output stream through RtAudio whose callback runs a
// LivePlayer. Errors are thrown as PlayError with a message for the user.
class AudioOutput {
public:
    struct Device {
        unsigned int index = 0;
        std::string name;
        std::vector<unsigned int> sampleRates;
        bool isDefault = false;
    };

    // Opens the system's preferred audio interface (see PreferredAudioApi).
    AudioOutput();
    // Stops and closes the stream.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    std::string ApiName() const;
    // Devices with at least two output channels.
    std::vector<Device> Devices();

    // Opens `device` (the default output when none is given) at `sampleRate`
    // (the stream must be closed)
    // with buffers of `bufferFrames`; the player must outlive the stream.
    // Throws when there is no such device, the device refuses the rate, or the
    // stream cannot be opened.
    void Open(std::optional<unsigned int> device, unsigned int sampleRate,
              unsigned int bufferFrames, LivePlayer& player);
    // The buffer size the device granted; valid after Open.
    unsigned int BufferFrames() const { return bufferFrames_; }
    const std::string& DeviceName() const { return deviceName_; }

    void Start();
    // Lets the device play what it holds, then stops; nothing when not running.
    // A device that went away stops without playing out.
    void Stop();

    // Stops and closes the stream, so that Open may open another.
    void Close();
    // From now on the stream plays silence and never calls the player again,
    // so that another stream may run it while this one plays out.
    void DetachPlayer();

    // True once the running stream has failed (a server or device that went
    // away); Failure() tells how. Safe from any thread.
    bool Lost() const { return lost_.load(std::memory_order_acquire); }
    std::string Failure() const;

private:
    static int Callback(void* output, void* input, unsigned int frames, double time,
                        RtAudioStreamStatus status, void* self);
    static void OnError(RtAudioError::Type type, const std::string& message);

    // RtAudio's error callback carries no user data; a process plays one
    // stream, so what it reports is kept here.
    static std::atomic<bool> lost_;
    static std::mutex failureMutex_;
    static std::string failure_;

    std::atomic<LivePlayer*> player_{nullptr};
    // Set while the callback runs.
    std::atomic<bool> busy_{false};
    std::unique_ptr<RtAudio> audio_;
    unsigned int bufferFrames_ = 0;
    std::string deviceName_;
};

} // namespace tonewell::standalone
