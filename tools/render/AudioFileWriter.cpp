#include "AudioFileWriter.h"

#include <algorithm>
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
                                 std::int64_t expectedFrames)
    : name_(name), format_(format), writeback_(descriptor) {
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
    if (format == SampleFormat::Pcm16)
        shorts_.resize(2 * kChunkFrames);
    else
        floats_.resize(2 * kChunkFrames);
}

void AudioFileWriter::Write(const double* left, const double* right, int frames) {
    for (int done = 0; done < frames;) {
        const int chunk = std::min(frames - done, kChunkFrames);
        sf_count_t written;
        if (format_ == SampleFormat::Pcm16) {
            InterleavePcm16(left + done, right + done, chunk, shorts_.data());
            written = sf_writef_short(file_.get(), shorts_.data(), chunk);
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
    sf_write_sync(file_.get());
    const int error = sf_error(file_.get());
    SNDFILE* file = file_.release();
    if (sf_close(file) != 0 || error != SF_ERR_NO_ERROR)
        throw RenderError("cannot finish \"" + name_ + "\": " + sf_error_number(error));
}

} // namespace tonewell::render
