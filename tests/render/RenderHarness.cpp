#include "RenderHarness.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sndfile.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tonewell::render::test {

namespace {

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

RenderProcess::RenderProcess(const std::vector<std::string>& arguments)
    : streams_(std::make_unique<ScratchFolder>()) {
    const std::string outPath = streams_->Path("stdout").string();
    const std::string errPath = streams_->Path("stderr").string();
    std::vector<std::string> argvStrings{TONEWELL_RENDER_PATH};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : argvStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Files rather than pipes: the streams are not terminals, as in a script.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        pid_ = pid;
    else
        ADD_FAILURE() << "cannot start " << argv[0];
    posix_spawn_file_actions_destroy(&actions);
}

RenderProcess::~RenderProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void RenderProcess::Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

CommandResult RenderProcess::Wait() {
    CommandResult result;
    if (pid_ <= 0) return result;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadWholeFile(streams_->Path("stdout"));
    result.err = ReadWholeFile(streams_->Path("stderr"));
    return result;
}

CommandResult RunRender(const std::vector<std::string>& arguments) {
    return RenderProcess(arguments).Wait();
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tonewell-render-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

AudioFile ReadAudio(const std::filesystem::path& path) {
    AudioFile audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return audio;
    }
    audio.channels = info.channels;
    audio.frames = info.frames;
    audio.sampleRate = info.samplerate;
    audio.format = info.format;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    EXPECT_EQ(read, info.frames);
    audio.samples.assign(static_cast<std::size_t>(info.channels), {});
    for (int channel = 0; channel < info.channels; ++channel) {
        auto& samples = audio.samples[static_cast<std::size_t>(channel)];
        samples.reserve(static_cast<std::size_t>(info.frames));
        for (sf_count_t frame = 0; frame < read; ++frame)
            samples.push_back(
                interleaved[static_cast<std::size_t>(frame * info.channels + channel)]);
    }
    return audio;
}

double ZeroCrossingFrequency(const std::vector<float>& samples, int sampleRate, std::size_t begin,
                             std::size_t end) {
    end = std::min(end, samples.size());
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = std::max<std::size_t>(begin, 1); i < end; ++i) {
        const double before = samples[i - 1];
        const double after = samples[i];
        if (before < 0.0 && after >= 0.0) {
            const double time =
                (static_cast<double>(i - 1) + before / (before - after)) / sampleRate;
            if (crossings == 0) first = time;
            last = time;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) / (last - first);
}

float Peak(const std::vector<float>& samples, std::size_t begin, std::size_t end) {
    float peak = 0.f;
    for (std::size_t i = begin; i < std::min(end, samples.size()); ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

std::string WholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace tonewell::render::test
