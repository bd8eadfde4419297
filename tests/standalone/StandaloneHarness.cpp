#include "StandaloneHarness.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tonewell::standalone::test {

namespace {

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::vector<std::string>& extraEnv)
    : streams_(std::make_unique<ScratchFolder>()) {
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The caller's variables override the inherited ones of the same name;
    // among them, the first of a name wins.
    std::vector<std::string> variables = extraEnv;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& extra : extraEnv)
            overridden = overridden || extra.compare(0, name.size() + 1, name + "=") == 0;
        if (!overridden) variables.push_back(text);
    }
    std::vector<char*> envp;
    for (auto& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const std::string outPath = streams_->Path("stdout").string();
    const std::string errPath = streams_->Path("stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::uintmax_t ChildProcess::OutputSize() const {
    std::error_code error;
    const auto size = std::filesystem::file_size(streams_->Path("stdout"), error);
    return error ? 0 : size;
}

std::string ChildProcess::OutputFrom(std::uintmax_t offset) const {
    std::ifstream in(streams_->Path("stdout"), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream content;
    if (in) content << in.rdbuf();
    return content.str();
}

std::string ChildProcess::Errors() const {
    return ReadWholeFile(streams_->Path("stderr"));
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

CommandResult ChildProcess::Wait(std::chrono::seconds limit) {
    CommandResult result;
    if (pid_ <= 0) return result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    result.exitCode = status == -1        ? -1
                      : WIFEXITED(status) ? WEXITSTATUS(status)
                                          : 128 + WTERMSIG(status);
    result.out = ReadWholeFile(streams_->Path("stdout"));
    result.err = ReadWholeFile(streams_->Path("stderr"));
    return result;
}

PrivateSoundServer::PrivateSoundServer() {
    const std::string home = folder_.Path("home").string();
    const std::string runtime = folder_.Path("run").string();
    std::filesystem::create_directories(runtime + "/pulse");
    std::filesystem::create_directories(home);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    // Under the sanitizer build, the libraries' own leaks are not the program's.
    environment_ = {"LSAN_OPTIONS=suppressions=" TONEWELL_LEAK_SUPPRESSIONS ":print_suppressions=0",
                    "HOME=" + home, "XDG_RUNTIME_DIR=" + runtime,
                    "PULSE_RUNTIME_PATH=" + runtime + "/pulse",
                    "PULSE_SERVER=unix:" + runtime + "/pulse/native"};
    const std::string script = folder_.Path("default.pa").string();
    std::ofstream(script) << "load-module module-native-protocol-unix auth-anonymous=1\n"
                          << "load-module module-null-sink sink_name=" << kSink
                          << " rate=48000 channels=2 format=float32le\n"
                          << "set-default-sink " << kSink << "\n";
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"pulseaudio", "--daemonize=no", "--exit-idle-time=-1",
                                 "--use-pid-file=no", "--disable-shm=yes", "--system=no", "-n",
                                 "-F", script},
        environment_);
    if (!daemon_->Started()) {
        error_ = "cannot start pulseaudio (Debian package pulseaudio)";
        return;
    }
    // Up when pactl reaches it; bounded, the daemon takes well under a second.
    for (int attempt = 0; attempt < 100; ++attempt) {
        ChildProcess probe({"pactl", "info"}, environment_);
        if (!probe.Started()) {
            error_ = "cannot start pactl (Debian package pulseaudio-utils)";
            return;
        }
        if (probe.Wait(std::chrono::seconds(5)).exitCode == 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const auto result = daemon_->Wait(std::chrono::seconds(1));
    error_ = "the private PulseAudio daemon did not answer: " + result.err;
}

PrivateSoundServer::~PrivateSoundServer() {
    if (daemon_) {
        daemon_->Signal(SIGTERM);
        daemon_->Wait(std::chrono::seconds(5));
    }
}

bool WindowTestsCanRun() {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return true;
    const char* required = std::getenv("TONEWELL_REQUIRE_DISPLAY");
    if (required && std::string(required) == "1")
        ADD_FAILURE() << "the window needs an X server in DISPLAY";
    return false;
}

CommandResult RunTonewell(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& extraEnv, std::chrono::seconds limit) {
    std::vector<std::string> command{TONEWELL_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess process(command, extraEnv);
    EXPECT_TRUE(process.Started()) << "cannot start " << TONEWELL_PATH;
    return process.Wait(limit);
}

} // namespace tonewell::standalone::test
