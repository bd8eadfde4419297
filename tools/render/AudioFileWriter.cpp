#include "AudioFileWriter.h"

#include <algorithm>
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

int FormatCode(FileType type, SampleFormat format, std::int64_t dataBytes) {
    // A RIFF header counts bytes in 32 bits; longer WAV renders get an RF64
    // header, which fewer programs read, so only when needed.
    constexpr std::int64_t kRiffLimit = 0xFFFFFFFFLL - 4096;
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

} // namespace

AudioFileWriter::AudioFileWriter(int descriptor, const std::string& name, FileType type,
                                 SampleFormat format, int sampleRate, int channels,
                                 std::int64_t expectedFrames, bool dither)
    : name_(name), format_(format), writeback_(descriptor), dither_(dither) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = FormatCode(type, format, expectedFrames * channels * BytesPerSample(format));
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
    if (type == FileType::Wav) sf_command(file_.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    // Monaural beats can exceed full scale; integer files clip instead of wrapping.
    sf_command(file_.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format == SampleFormat::Float) {
        floats_.resize(2 * kChunkFrames);
    } else {
        if (format == SampleFormat::Pcm16) {
            shorts_.resize(2 * kChunkFrames);
        } else {
            ints_.resize(2 * kChunkFrames);
            if (dither_) {
                left_.resize(kChunkFrames);
                right_.resize(kChunkFrames);
            }
        }
    }
}

void AudioFileWriter::Write(const double* left, const double* right, int frames) {
    for (int done = 0; done < frames;) {
        const int chunk = std::min(frames - done, kChunkFrames);
        sf_count_t written;
        const double* l = left + done;
        const double* r = right + done;
        if (format_ == SampleFormat::Pcm24 && dither_) {
            // Left's noise, then right's, from the one stream.
            noise_.Apply(l, left_.data(), chunk, 1.0 / 8388608.0);
            noise_.Apply(r, right_.data(), chunk, 1.0 / 8388608.0);
            l = left_.data();
            r = right_.data();
        }
        if (format_ == SampleFormat::Pcm16) {
            if (dither_)
                noise_.InterleavePcm16(l, r, chunk, shorts_.data());
            else
                InterleavePcm16(l, r, chunk, shorts_.data());
            written = sf_writef_short(file_.get(), shorts_.data(), chunk);
        } else if (format_ == SampleFormat::Pcm24) {
            // 24-bit steps in the top bits of an int, as libsndfile takes them.
            constexpr double kScale = 8388608.0;
            const auto convert = [&](double sample) {
                if (std::isnan(sample)) return 0;
                const double scaled =
                    std::clamp(std::nearbyint(sample * kScale), -kScale, kScale - 1.0);
                return static_cast<int>(scaled) * 256;
            };
            for (int i = 0; i < chunk; ++i) {
                ints_[2 * i] = convert(l[i]);
                ints_[2 * i + 1] = convert(r[i]);
            }
            written = sf_writef_int(file_.get(), ints_.data(), chunk);
        } else {
            InterleaveFloat(left + done, right + done, chunk, floats_.data());
            written = sf_writef_float(file_.get(), floats_.data(), chunk);
        }
        if (written != chunk)
            throw RenderError("cannot write \"" + name_ + "\": " + sf_strerror(file_.get()));
        done += chunk;
    }
    writeback_.Advance();
}

void AudioFileWriter::Close() {
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
