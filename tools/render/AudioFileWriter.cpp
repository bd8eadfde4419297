#include "AudioFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

#include "RenderError.h"
#include "SampleConversion.h"

namespace tonewell::render {

namespace {

int BytesPerSample(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16:
        return 2;
    case SampleFormat::Pcm24:
        return 3;
    case SampleFormat::Float:
        break;
    }
    return 4;
}

// A RIFF header counts bytes in 32 bits; longer WAV renders get an RF64
// header, which fewer programs read, so only when needed.
constexpr std::int64_t kRiffLimit = 0xFFFFFFFFLL - 4096;
// The canonical header of a PCM WAV file: RIFF, fmt and data chunk heads.
constexpr int kWavHeaderBytes = 44;

int FormatCode(FileType type, SampleFormat format, std::int64_t dataBytes) {
    int container = SF_FORMAT_FLAC;
    if (type == FileType::Wav) container = dataBytes > kRiffLimit ? SF_FORMAT_RF64 : SF_FORMAT_WAV;
    switch (format) {
    case SampleFormat::Pcm16:
        return container | SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return container | SF_FORMAT_PCM_24;
    case SampleFormat::Float:
        break;
    }
    return container | SF_FORMAT_FLOAT;
}

void PutLittleEndian(unsigned char* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::string Reason(int error) {
    return std::strerror(error);
}

} // namespace

AudioFileWriter::AudioFileWriter(int descriptor, const std::string& name, FileType type,
                                 SampleFormat format, int sampleRate, int channels,
                                 std::int64_t expectedFrames, bool dither, bool throughLibrary)
    : channels_(channels), sampleRate_(sampleRate), name_(name), format_(format),
      writeback_(descriptor), dither_(dither) {
    const std::int64_t dataBytes = expectedFrames * channels * BytesPerSample(format);
    if (!throughLibrary && type == FileType::Wav && format != SampleFormat::Float &&
        channels == 2 && dataBytes <= kRiffLimit) {
        // Room for the header first; its sizes are filled in on closing.
        descriptor_ = descriptor;
        piece_.assign(kPieceBytes, 0);
        pieceUsed_ = kWavHeaderBytes;
    } else {
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = channels;
        info.format = FormatCode(type, format, dataBytes);
        if (!sf_format_check(&info)) {
            close(descriptor);
            throw RenderError("cannot write \"" + name_ +
                              "\": unsupported sample format for this file type");
        }
        file_.reset(sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE));
        if (!file_) {
            close(descriptor);
            throw RenderError("cannot write \"" + name_ + "\": " + sf_strerror(nullptr));
        }
        if (type == FileType::Wav)
            sf_command(file_.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        // Monaural beats can exceed full scale; integer files clip instead of wrapping.
        sf_command(file_.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    if (format == SampleFormat::Float) {
        floats_.resize(2 * kChunkFrames);
    } else if (format == SampleFormat::Pcm16) {
        // The direct path converts straight into its piece.
        if (file_) shorts_.resize(2 * kChunkFrames);
    } else {
        ints_.resize(2 * kChunkFrames);
        if (dither_) {
            left_.resize(kChunkFrames);
            right_.resize(kChunkFrames);
        }
    }
}

AudioFileWriter::~AudioFileWriter() {
    if (descriptor_ >= 0) {
        writeback_.Stop();
        close(descriptor_);
    }
}

void AudioFileWriter::ConvertChunk(const double* left, const double* right, int frames,
                                   std::int16_t* pcm16, int* pcm24) {
    if (format_ == SampleFormat::Pcm16) {
        if (dither_)
            noise_.InterleavePcm16(left, right, frames, pcm16);
        else
            InterleavePcm16(left, right, frames, pcm16);
        return;
    }
    if (dither_) {
        // Left's noise, then right's, from the one stream.
        noise_.Apply(left, left_.data(), frames, 1.0 / 8388608.0);
        noise_.Apply(right, right_.data(), frames, 1.0 / 8388608.0);
        left = left_.data();
        right = right_.data();
    }
    // 24-bit steps in the top bits of an int, as libsndfile takes them.
    constexpr double kScale = 8388608.0;
    const auto convert = [&](double sample) {
        if (std::isnan(sample)) return 0;
        const double scaled = std::clamp(std::nearbyint(sample * kScale), -kScale, kScale - 1.0);
        return static_cast<int>(scaled) * 256;
    };
    for (int i = 0; i < frames; ++i) {
        pcm24[2 * i] = convert(left[i]);
        pcm24[2 * i + 1] = convert(right[i]);
    }
}

void AudioFileWriter::Write(const double* left, const double* right, int frames) {
    if (file_)
        WriteThroughLibrary(left, right, frames);
    else
        WriteDirect(left, right, frames);
    writeback_.Advance();
}

void AudioFileWriter::WriteDirect(const double* left, const double* right, int frames) {
    for (int done = 0; done < frames;) {
        int chunk = std::min(frames - done, kChunkFrames);
        if (format_ == SampleFormat::Pcm16) {
            // The 16-bit stream of noise does not depend on where it is cut.
            if (piece_.size() - pieceUsed_ < 4) FlushPiece();
            chunk = std::min(chunk, static_cast<int>((piece_.size() - pieceUsed_) / 4));
            ConvertChunk(left + done, right + done, chunk,
                         reinterpret_cast<std::int16_t*>(piece_.data() + pieceUsed_), nullptr);
            pieceUsed_ += std::size_t(chunk) * 4;
        } else {
            // The 24-bit noise goes to a chunk's left samples, then to its
            // right ones: chunks as the library path cuts them.
            ConvertChunk(left + done, right + done, chunk, nullptr, ints_.data());
            for (int i = 0; i < 2 * chunk;) {
                if (piece_.size() - pieceUsed_ < 3) FlushPiece();
                const int run =
                    std::min(2 * chunk - i, static_cast<int>((piece_.size() - pieceUsed_) / 3));
                unsigned char* out = piece_.data() + pieceUsed_;
                // Little-endian, the top three bytes of each int.
                for (int k = 0; k < run; ++k)
                    PutLittleEndian(out + 3 * k, static_cast<std::uint32_t>(ints_[i + k]) >> 8, 3);
                pieceUsed_ += std::size_t(run) * 3;
                i += run;
            }
        }
        dataBytes_ += std::int64_t(chunk) * 2 * BytesPerSample(format_);
        done += chunk;
    }
}

void AudioFileWriter::WriteThroughLibrary(const double* left, const double* right, int frames) {
    for (int done = 0; done < frames;) {
        const int chunk = std::min(frames - done, kChunkFrames);
        sf_count_t written;
        if (format_ == SampleFormat::Pcm16) {
            ConvertChunk(left + done, right + done, chunk, shorts_.data(), nullptr);
            written = sf_writef_short(file_.get(), shorts_.data(), chunk);
        } else if (format_ == SampleFormat::Pcm24) {
            ConvertChunk(left + done, right + done, chunk, nullptr, ints_.data());
            written = sf_writef_int(file_.get(), ints_.data(), chunk);
        } else {
            InterleaveFloat(left + done, right + done, chunk, floats_.data());
            written = sf_writef_float(file_.get(), floats_.data(), chunk);
        }
        if (written != chunk)
            throw RenderError("cannot write \"" + name_ + "\": " + sf_strerror(file_.get()));
        done += chunk;
    }
}

void AudioFileWriter::WriteAll(const unsigned char* bytes, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t written = offset < 0 ? write(descriptor_, bytes, count)
                                           : pwrite(descriptor_, bytes, count, offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw RenderError("cannot write \"" + name_ + "\": " + Reason(errno));
        }
        if (written == 0)
            throw RenderError("cannot write \"" + name_ + "\": the disk took nothing");
        bytes += written;
        count -= std::size_t(written);
        if (offset >= 0) offset += written;
    }
}

void AudioFileWriter::FlushPiece() {
    WriteAll(piece_.data(), pieceUsed_, -1);
    pieceUsed_ = 0;
}

void AudioFileWriter::CloseDirect() {
    FlushPiece();
    if (dataBytes_ > kRiffLimit)
        throw RenderError("cannot finish \"" + name_ + "\": too long for a WAV file");
    const int sampleBytes = BytesPerSample(format_);
    const auto data = static_cast<std::uint32_t>(dataBytes_);
    unsigned char header[kWavHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    PutLittleEndian(header + 4, data + kWavHeaderBytes - 8, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLittleEndian(header + 16, 16, 4); // the fmt chunk's size
    PutLittleEndian(header + 20, 1, 2);  // integer PCM
    PutLittleEndian(header + 22, std::uint32_t(channels_), 2);
    PutLittleEndian(header + 24, std::uint32_t(sampleRate_), 4);
    PutLittleEndian(header + 28, std::uint32_t(sampleRate_ * channels_ * sampleBytes), 4);
    PutLittleEndian(header + 32, std::uint32_t(channels_ * sampleBytes), 2);
    PutLittleEndian(header + 34, std::uint32_t(8 * sampleBytes), 2);
    std::memcpy(header + 36, "data", 4);
    PutLittleEndian(header + 40, data, 4);
    WriteAll(header, sizeof header, 0);

    const int flushError = writeback_.Stop();
    const int descriptor = descriptor_;
    descriptor_ = -1;
    const int syncError = fdatasync(descriptor) == 0 ? 0 : errno;
    const int closeError = close(descriptor) == 0 ? 0 : errno;
    for (const int error : {flushError, syncError, closeError})
        if (error != 0) throw RenderError("cannot finish \"" + name_ + "\": " + Reason(error));
}

void AudioFileWriter::Close() {
    if (!file_) {
        CloseDirect();
        return;
    }
    const int flushError = writeback_.Stop();
    sf_write_sync(file_.get());
    const int error = sf_error(file_.get());
    SNDFILE* file = file_.release();
    if (sf_close(file) != 0 || error != SF_ERR_NO_ERROR)
        throw RenderError("cannot finish \"" + name_ + "\": " + sf_error_number(error));
    if (flushError != 0)
        throw RenderError("cannot finish \"" + name_ + "\": " + std::strerror(flushError));
}

} // namespace tonewell::render
