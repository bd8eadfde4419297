#pragma once

#include <cstdint>
#include <memory>
#include <sndfile.h>
#include <string>
#include <sys/types.h>
#include <vector>

#include "FileWriteback.h"
#include "RenderOptions.h"
#include "TpdfDither.h"

namespace tonewell::render {

// Two channels of rendered frames into a WAV or FLAC file. Integer samples
// are converted here, with TPDF dither unless it is turned off. Stereo 16-
// and 24-bit WAV files are written here directly, in large pieces from one
// buffer, byte for byte as libsndfile would write them; other files (FLAC,
// float with its peak chunk, RF64) go through libsndfile.
class AudioFileWriter {
public:
    // Takes ownership of the open descriptor (closed with the file). `name` is
    // only for messages; `expectedFrames` picks a WAV header that can hold
    // them. `throughLibrary` writes every file through libsndfile. Throws RenderError when
    // libsndfile refuses the format.
    AudioFileWriter(int descriptor, const std::string& name, FileType type, SampleFormat format,
                    int sampleRate, int channels, std::int64_t expectedFrames, bool dither = false,
                    bool throughLibrary = false);
    // Closes a file that was not finished (a failed render's).
    ~AudioFileWriter();

    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    void Write(const double* left, const double* right, int frames);
    // Finishes the header and flushes the file to disk; errors that only
    // show when flushing surface here.
    void Close();

    // Bytes in one piece written to the file on the direct path.
    static constexpr int kPieceBytes = 1 << 20;

private:
    void ConvertChunk(const double* left, const double* right, int frames, std::int16_t* pcm16,
                      int* pcm24);
    void WriteDirect(const double* left, const double* right, int frames);
    void WriteThroughLibrary(const double* left, const double* right, int frames);
    // Writes the whole buffered piece; throws RenderError.
    void FlushPiece();
    void WriteAll(const unsigned char* bytes, std::size_t count, off_t offset);
    void CloseDirect();

    struct Closer {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };
    static constexpr int kChunkFrames = 8192;

    std::unique_ptr<SNDFILE, Closer> file_;
    // The direct path: the descriptor, the piece being filled and the sample
    // bytes written so far (after the 44-byte header).
    int descriptor_ = -1;
    int channels_ = 2;
    int sampleRate_ = 0;
    std::vector<unsigned char> piece_;
    std::size_t pieceUsed_ = 0;
    std::int64_t dataBytes_ = 0;
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
