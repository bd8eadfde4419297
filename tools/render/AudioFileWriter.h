#pragma once

#include <cstdint>
#include <memory>
#include <sndfile.h>
#include <string>
#include <vector>

#include "FileWriteback.h"
#include "RenderOptions.h"
#include "TpdfDither.h"

namespace tonewell::render {

// Two channels of rendered frames into a WAV or FLAC file through
// libsndfile. Integer samples are converted here, with TPDF dither unless it
// is turned off.
class AudioFileWriter {
public:
    // Takes ownership of the open descriptor (closed with the file). `name` is
    // only for messages; `expectedFrames` picks a WAV header that can hold
    // them. Throws RenderError when libsndfile refuses the format.
    AudioFileWriter(int descriptor, const std::string& name, FileType type, SampleFormat format,
                    int sampleRate, int channels, std::int64_t expectedFrames, bool dither = false);

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
    std::vector<int> ints_;
    bool dither_;
    TpdfDither noise_;
    // Dithered copies of one chunk, for 24-bit files.
    std::vector<double> left_;
    std::vector<double> right_;
};

} // namespace tonewell::render
