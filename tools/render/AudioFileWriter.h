#pragma once

#include <cstdint>
#include <memory>
#include <sndfile.h>
#include <string>
#include <vector>

#include "FileWriteback.h"
#include "RenderOptions.h"

namespace tonewell::render {

// Two channels of rendered frames into a WAV or FLAC file through
// libsndfile. 16-bit samples are converted here; libsndfile converts floats
// to 24 bits.
class AudioFileWriter {
public:
    // Takes ownership of the open descriptor (closed with the file). `name` is
    // only for messages; `expectedFrames` picks a WAV header that can hold
    // them. Throws RenderError when libsndfile refuses the format.
    AudioFileWriter(int descriptor, const std::string& name, FileType type, SampleFormat format,
                    int sampleRate, int channels, std::int64_t expectedFrames);

    void Write(const double* left, const double* right, int frames);
    // Finishes the header and flushes the file to disk; errors that only
    // show when flushing surface here.
    void Close();

private:
    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    static constexpr int kChunkFrames = 8192;

    std::unique_ptr<SNDFILE, Closer> file_;
    std::string name_;
    SampleFormat format_;
    FileWriteback writeback_;
    // Interleaved samples of one chunk, in the form handed to libsndfile.
    std::vector<float> floats_;
    std::vector<std::int16_t> shorts_;
};

} // namespace tonewell::render
