#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tonewell::render::test {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built tonewell-render with the given arguments (no shell
// interpretation of them) and collects its exit code and both streams.
CommandResult RunRender(const std::vector<std::string>& arguments);

class ScratchFolder;

// A tonewell-render started in the background, for signalling it.
class RenderProcess {
public:
    explicit RenderProcess(const std::vector<std::string>& arguments);
    ~RenderProcess();
    RenderProcess(const RenderProcess&) = delete;
    RenderProcess& operator=(const RenderProcess&) = delete;

    void Signal(int signal) const;
    CommandResult Wait();

private:
    std::unique_ptr<ScratchFolder> streams_;
    int pid_ = -1;
};

// A fresh empty folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path Path(const std::string& name) const { return path_ / name; }
    // Names of the entries, hidden ones included, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

struct AudioFile {
    int channels = 0;
    long long frames = 0;
    int sampleRate = 0;
    int format = 0;                          // libsndfile format code
    std::vector<std::vector<float>> samples; // per channel
};

// Reads a whole file through libsndfile; fails the test when it cannot.
AudioFile ReadAudio(const std::filesystem::path& path);

// Frequency from the rising zero crossings, each placed by linear
// interpolation between the two samples around it; 0 with fewer than two.
double ZeroCrossingFrequency(const std::vector<float>& samples, int sampleRate, std::size_t begin,
                             std::size_t end);

// Largest magnitude among samples [begin, end), end clipped to the size.
float Peak(const std::vector<float>& samples, std::size_t begin, std::size_t end);

// The file's bytes; empty when it cannot be read.
std::string WholeFile(const std::filesystem::path& path);

} // namespace tonewell::render::test
