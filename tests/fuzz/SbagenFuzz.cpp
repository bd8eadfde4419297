// libFuzzer target: SBaGen session text. Whatever the text, reading it either
// fails with a message naming a place in it, or gives a timeline whose times
// run forwards within a day, whose every slot has a finite level of at least
// 0 at any time, and whose player renders finite audio. Built by scripts/fuzz.sh.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "SbagenScript.h"
#include "SbagenTimeline.h"
#include "SessionError.h"
#include "SessionPlayer.h"

using namespace tonewell::session;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "sbagen_fuzz: %s\n", what);
        std::abort();
    }
}

// A plain sine pair stands in for the instrument.
class SineVoice : public ToneVoice {
public:
    explicit SineVoice(int rate) : rate_(rate) {}
    void Set(double carrier, double beat, Waveform) override {
        left_ = carrier + beat / 2.0;
        right_ = carrier - beat / 2.0;
    }
    void Render(double* left, double* right, int frames) override {
        for (int i = 0; i < frames; ++i) {
            phase_ += 1.0 / rate_;
            left[i] = std::sin(6.283185307179586 * left_ * phase_);
            right[i] = std::sin(6.283185307179586 * right_ * phase_);
        }
    }

private:
    int rate_;
    double left_ = 0.0, right_ = 0.0, phase_ = 0.0;
};

class SineVoices : public VoiceFactory {
public:
    std::unique_ptr<ToneVoice> Create(int rate, int) override {
        return std::make_unique<SineVoice>(rate);
    }
};

class QuietMix : public MixSource {
public:
    void Read(double* left, double* right, int frames) override {
        for (int i = 0; i < frames; ++i)
            left[i] = right[i] = 0.25;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const SbagenScript script = SbagenScript::Parse(text, "fuzz");
        const auto& entries = script.Entries();
        Check(!entries.empty(), "a session without time lines was accepted");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Check(std::isfinite(entries[i].seconds), "a time is not finite");
            if (i > 0) Check(entries[i].seconds >= entries[i - 1].seconds, "times run backwards");
            Check(entries[i].seconds - entries[0].seconds < 86400.0, "a sequence over a day");
        }
        const SbagenTimeline timeline(script);
        const double length = script.Length().value_or(60.0);
        for (int step = 0; step <= 64; ++step) {
            const double t = length * step / 64.0;
            for (int slot = 0; slot < timeline.Slots(); ++slot) {
                const ToneSpec toneSpec = timeline.SlotAt(slot, t);
                Check(std::isfinite(toneSpec.amp) && toneSpec.amp >= 0.0,
                      "a level is not finite or below 0");
            }
        }
        (void)timeline.Listing(std::min(length, 3600.0));
        SineVoices voices;
        QuietMix mix;
        SessionPlayer player(timeline, 8000, voices, &mix);
        double left[512];
        double right[512];
        for (int block = 0; block < 8; ++block) {
            player.Render(left, right, 512);
            for (int i = 0; i < 512; ++i)
                Check(std::isfinite(left[i]) && std::isfinite(right[i]), "audio is not finite");
        }
    } catch (const SessionError& error) {
        const std::string message = error.what();
        Check(message.rfind("fuzz", 0) == 0, "a message that does not name the session");
        Check(message.find('\n') == std::string::npos, "a message of more than one line");
    }
    return 0;
}
