// The built tonewell in situations a listener's machine brings: ALSA without
// a sound server and a process held up long enough to run the device dry.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

#include "StandaloneHarness.h"

namespace tonewell::standalone::test {
namespace {

using namespace std::chrono_literals;
using render::test::ZeroCrossingFrequency;

constexpr const char* kSchumann = "Binaural - 7.83 (Schumann Resonance)";
constexpr int kRate = 48000;

// A recording of the private server's sink: both channels as floats.
struct Recording {
    std::vector<float> left, right;

    // Frames where either ear sounds.
    std::size_t SoundingFrames() const {
        std::size_t count = 0;
        for (std::size_t i = 0; i < left.size(); ++i)
            count += left[i] != 0.f || right[i] != 0.f;
        return count;
    }
    // The longest run [begin, end) without a millisecond of silence in both
    // ears, leaving out the first `settle` frames of the sound (the start's glide).
    std::pair<std::size_t, std::size_t> LongestStretch(std::size_t settle) const {
        std::pair<std::size_t, std::size_t> best{0, 0};
        std::size_t begin = left.size(), silent = 0;
        for (std::size_t i = 0; i <= left.size(); ++i) {
            const bool quiet = i == left.size() || (left[i] == 0.f && right[i] == 0.f);
            if (!quiet && begin == left.size()) begin = i + settle;
            silent = quiet ? silent + 1 : 0;
            if (quiet && begin < left.size() && (silent == kRate / 1000 || i == left.size())) {
                const std::size_t end = i + 1 - silent;
                if (end > begin && end - begin > best.second - best.first) best = {begin, end};
                begin = left.size();
                settle = 0;
            }
        }
        return best;
    }
};

class DesktopLive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PrivateSoundServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override { ASSERT_TRUE(server_->Error().empty()) << server_->Error(); }

    static const std::vector<std::string>& Env() { return server_->Environment(); }
    static std::string ServerAddress() {
        for (const auto& variable : Env())
            if (variable.rfind("PULSE_SERVER=", 0) == 0) return variable.substr(13);
        return {};
    }

    // parec on the sink's monitor; the monitor of an idle sink gives nothing,
    // so the recording starts with the first sound.
    static std::unique_ptr<ChildProcess> StartRecording() {
        auto recorder = std::make_unique<ChildProcess>(
            std::vector<std::string>{
                "parec", std::string("--device=") + PrivateSoundServer::kSink + ".monitor",
                "--format=float32le", "--rate=48000", "--channels=2", "--raw", "--latency-msec=20"},
            Env());
        EXPECT_TRUE(recorder->Started()) << "cannot start parec (pulseaudio-utils)";
        for (int attempt = 0; attempt < 100; ++attempt) {
            ChildProcess outputs({"pactl", "list", "short", "source-outputs"}, Env());
            if (!outputs.Wait(5s).out.empty()) break;
            std::this_thread::sleep_for(50ms);
        }
        return recorder;
    }

    static Recording StopRecording(ChildProcess& recorder) {
        // What the sink still holds reaches the recording.
        std::this_thread::sleep_for(500ms);
        recorder.Signal(SIGINT);
        const std::string raw = recorder.Wait(5s).out;
        Recording recording;
        for (std::size_t at = 0; at + 8 <= raw.size(); at += 8) {
            float frame[2];
            std::memcpy(frame, raw.data() + at, sizeof frame);
            recording.left.push_back(frame[0]);
            recording.right.push_back(frame[1]);
        }
        return recording;
    }

    static std::unique_ptr<PrivateSoundServer> server_;
    ScratchFolder folder;
};

std::unique_ptr<PrivateSoundServer> DesktopLive::server_;

// ALSA without a sound server: its default device is the private server
// reached through ALSA's own PulseAudio plugin, which reports an underrun
// as ALSA does, while tonewell finds no server to talk to itself. Held up
// eight times, the program counts the underruns and plays on. (The plugin
// notices an underrun on the server only now and then: one stop is not
// enough to be sure of one.)
TEST_F(DesktopLive, AnAlsaUnderrunIsCountedAndPlayingGoesOn) {
    const auto config = folder.Path("asound.conf");
    std::ofstream(config) << "pcm.!default { type pulse server \"" << ServerAddress()
                          << "\" handle_underrun true }\n"
                          << "ctl.!default { type pulse server \"" << ServerAddress() << "\" }\n";
    std::vector<std::string> env{"PULSE_SERVER=unix:" + folder.Path("nothing").string(),
                                 "ALSA_CONFIG_PATH=" + config.string()};
    env.insert(env.end(), Env().begin(), Env().end());

    const auto recorder = StartRecording();
    ChildProcess player({TONEWELL_PATH, "--no-window", "--program", kSchumann, "--seconds", "8"},
                        env);
    ASSERT_TRUE(player.Started());
    // The plug-in's buffer and the server's hold some 300 ms between them.
    std::this_thread::sleep_for(1s);
    for (int stop = 0; stop < 8; ++stop) {
        player.Signal(SIGSTOP);
        std::this_thread::sleep_for(300ms);
        player.Signal(SIGCONT);
        std::this_thread::sleep_for(400ms);
    }
    const auto result = player.Wait(20s);
    const auto recording = StopRecording(*recorder);

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("playing through ALSA"), std::string::npos) << result.err;
    std::smatch counted;
    ASSERT_TRUE(std::regex_search(result.out, counted,
                                  std::regex("played 00:00:08.000, underruns: ([0-9]+)")))
        << result.out;
    EXPECT_GE(std::stoi(counted[1]), 1) << "no underrun counted";
    // Sound after every stop: 8 s played, little of it lost.
    EXPECT_GE(recording.SoundingFrames(), 6u * kRate);
    const auto [begin, end] = recording.LongestStretch(kRate);
    ASSERT_GE(end - begin, static_cast<std::size_t>(kRate / 2));
    EXPECT_NEAR(ZeroCrossingFrequency(recording.left, kRate, begin, end), 196.085, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(recording.right, kRate, begin, end), 203.915, 0.01);
}

} // namespace
} // namespace tonewell::standalone::test
