#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RenderHarness.h"

namespace tonewell::standalone::test {

using render::test::CommandResult;
using render::test::ScratchFolder;

// A program started in the background with extra environment variables, its
// streams in files; killed when still running at the end.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& command, const std::vector<std::string>& extraEnv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Bytes written to standard output so far.
    std::uintmax_t OutputSize() const;
    // Standard output from byte `offset` to what is written so far.
    std::string OutputFrom(std::uintmax_t offset) const;
    // Standard error as written so far.
    std::string Errors() const;
    void Signal(int signal) const;
    // The exit code, or -1 after killing a process that outlived `limit`.
    CommandResult Wait(std::chrono::seconds limit);

private:
    std::unique_ptr<ScratchFolder> streams_;
    int pid_ = -1;
};

// A PulseAudio daemon of its own, in a private runtime folder, with one null
// sink of 48 kHz float stereo as the default output; taken down at the end.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();

    // Empty when the daemon did not come up.
    const std::string& Error() const { return error_; }
    // HOME, XDG_RUNTIME_DIR, PULSE_RUNTIME_PATH and PULSE_SERVER that lead
    // clients to it, and the sanitizer's leak suppressions.
    const std::vector<std::string>& Environment() const { return environment_; }
    static constexpr const char* kSink = "tonewell_test";

private:
    ScratchFolder folder_;
    std::vector<std::string> environment_;
    std::unique_ptr<ChildProcess> daemon_;
    std::string error_;
};

// True when DISPLAY names an X server for the window tests. Without one they
// are skipped, as the README says, unless the test command brought its own
// (TONEWELL_REQUIRE_DISPLAY=1): then this records a failure.
bool WindowTestsCanRun();

// Runs the built tonewell with the environment and a time limit.
CommandResult RunTonewell(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& extraEnv,
                          std::chrono::seconds limit = std::chrono::seconds(30));

} // namespace tonewell::standalone::test
