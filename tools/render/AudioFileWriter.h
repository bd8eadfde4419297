#pragma once

#include <cstdint>
#include <memory>
#include <sndfile.h>
#include <string>

#include "RenderOptions.h"

namespace tonewell::render {

// Interleaved float frames into a WAV or FLAC file through libsndfile.
class AudioFileWriter {
public:
    // Takes ownership of the open descriptor (closed with the file). `name` is
    // only for messages; `expectedFrames` picks a WAV header that can hold
    // them. Throws RenderError when libsndfile refuses the format.
    AudioFileWriter(int descriptor, const std::string& name, FileType type, SampleFormat format,
                    int sampleRate, int channels, std::int64_t expectedFrames);

    void Write(const float* interleaved, long frames);
    // Finishes the header; errors that only show when flushing surface here.
    void Close();

private:
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    std::unique_ptr<SNDFILE, Closer> file_;
    std::string name_;
};

} // namespace tonewell::render
