#include "InputAudio.h"

#include <algorithm>
#include <fstream>
#include <utility>

#include "RenderError.h"

namespace tonewell::render {

namespace {
constexpr long kChunkFrames = 4096;
} // namespace

InputAudio::InputAudio(const std::string& path, int sampleRate, std::string source)
    : source_(source.empty() ? "--input \"" + path + "\"" : std::move(source)) {
    SF_INFO info{};
    file_.reset(sf_open(path.c_str(), SFM_READ, &info));
    if (!file_) throw RenderError(source_ + ": cannot read it as audio: " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw RenderError(source_ + ": no audio channels in it");
    channels_ = info.channels;
    seconds_ = static_cast<double>(info.frames) / info.samplerate;
    ratio_ = static_cast<double>(sampleRate) / info.samplerate;
    interleaved_.resize(static_cast<std::size_t>(kChunkFrames * channels_));
    raw_.resize(2 * kChunkFrames);
    if (info.samplerate != sampleRate) {
        int error = 0;
        converter_.reset(
            src_callback_new(&InputAudio::Supply, SRC_SINC_MEDIUM_QUALITY, 2, &error, this));
        if (!converter_ || src_is_valid_ratio(ratio_) == 0)
            throw RenderError(source_ + ": cannot convert its sample rate: " + src_strerror(error));
    }
}

long InputAudio::ReadStereo(long frames) {
    frames = std::min(frames, kChunkFrames);
    const sf_count_t read = sf_readf_float(file_.get(), interleaved_.data(), frames);
    for (sf_count_t i = 0; i < read; ++i) {
        const float* frame = interleaved_.data() + i * channels_;
        raw_[static_cast<std::size_t>(2 * i)] = frame[0];
        raw_[static_cast<std::size_t>(2 * i + 1)] = frame[channels_ > 1 ? 1 : 0];
    }
    return static_cast<long>(read);
}

long InputAudio::Supply(void* self, float** data) {
    auto& input = *static_cast<InputAudio*>(self);
    *data = input.raw_.data();
    return input.ReadStereo(kChunkFrames);
}

void InputAudio::Read(double* left, double* right, int frames) {
    int done = 0;
    bool looped = false;
    while (done < frames) {
        const long wanted = std::min<long>(frames - done, kChunkFrames);
        long got = 0;
        const float* stereo = nullptr;
        if (converter_) {
            converted_.resize(2 * kChunkFrames);
            got = src_callback_read(converter_.get(), ratio_, wanted, converted_.data());
            if (got < 0 || src_error(converter_.get()) != 0)
                throw RenderError(source_ + ": sample rate conversion failed");
            stereo = converted_.data();
        } else {
            got = ReadStereo(wanted);
            stereo = raw_.data();
        }
        for (long i = 0; i < got; ++i) {
            left[done + i] = stereo[2 * i];
            right[done + i] = stereo[2 * i + 1];
        }
        done += static_cast<int>(got);
        if (got == 0) {
            // A looping file starts again (once per call at most, so a file
            // that gives nothing cannot hold the render up).
            if (!loop_ || looped || sf_seek(file_.get(), 0, SEEK_SET) < 0) break;
            if (converter_) src_reset(converter_.get());
            looped = true;
        } else {
            looped = false;
        }
    }
    std::fill(left + done, left + frames, 0.0);
    std::fill(right + done, right + frames, 0.0);
}

bool InputAudio::IsSbagenLoop(const std::string& path) {
    // The tag sits in the Vorbis comment header, within the file's first pages.
    std::ifstream file(path, std::ios::binary);
    std::string head(65536, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    return head.compare(0, 4, "OggS") == 0 && head.find("SBAGEN_LOOPER=") != std::string::npos;
}

} // namespace tonewell::render
