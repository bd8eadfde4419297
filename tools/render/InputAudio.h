#pragma once

#include <cstdint>
#include <memory>
#include <samplerate.h>
#include <sndfile.h>
#include <string>
#include <vector>

namespace tonewell::render {

// An audio file streamed into the instrument's input: a mono file feeds both
// ears, a file of more channels gives its first two, and another sample rate
// is converted with libsamplerate. After the file's end it gives silence.
class InputAudio {
public:
    // Throws RenderError when the file cannot be read or converted; its
    // message starts with `source`, by default --input and the path.
    InputAudio(const std::string& path, int sampleRate, std::string source = {});

    InputAudio(const InputAudio&) = delete;
    InputAudio& operator=(const InputAudio&) = delete;

    // Length of the file in seconds.
    double Seconds() const { return seconds_; }
    // From now on the file starts again where it ends, instead of giving
    // silence.
    void Loop() { loop_ = true; }
    bool Loops() const { return loop_; }
    // True for the files SBaGen+ plays on forever: an Ogg file that carries a
    // looping set-up in its SBAGEN_LOOPER comment.
    static bool IsSbagenLoop(const std::string& path);
    // The next `frames` frames at the render's rate.
    void Read(double* left, double* right, int frames);

private:
    struct FileCloser {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    struct StateCloser {
        void operator()(SRC_STATE* state) const { src_delete(state); }
    };
    static long Supply(void* self, float** data);
    // Reads up to `frames` file frames as stereo into raw_; returns the count.
    long ReadStereo(long frames);

    std::string source_;
    std::unique_ptr<SNDFILE, FileCloser> file_;
    std::unique_ptr<SRC_STATE, StateCloser> converter_;
    int channels_ = 0;
    double ratio_ = 1.0;
    double seconds_ = 0.0;
    bool loop_ = false;
    std::vector<float> interleaved_; // as read, all channels
    std::vector<float> raw_;         // stereo, at the file's rate
    std::vector<float> converted_;   // stereo, at the render's rate
};

} // namespace tonewell::render
