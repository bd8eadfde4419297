#include "PluginVoiceFactory.h"

#include <PluginSession.h>
#include <RenderError.h>
#include <cmath>

#include "SessionError.h"

using namespace Steinberg;

namespace tonewell::session {

namespace {

class PluginVoice : public ToneVoice {
public:
    PluginVoice(render::PluginSession& plugin, int sampleRate, int maxFrames)
        : instance_(plugin.NewInstance()), catalog_(plugin.Parameters()),
          frequency_(catalog_.Find("Frequency")), beat_(catalog_.Find("Binaural")),
          reverse_(catalog_.Find("Pan Reverse")), waveParameter_(catalog_.Find("Wave")),
          // Looked up once: Set runs on a live player's audio thread, where
          // the texts' look-up would allocate.
          reversedValue_(catalog_.ToNormalized(reverse_, "Yes")),
          straightValue_(catalog_.ToNormalized(reverse_, "No")),
          sineValue_(catalog_.ToNormalized(waveParameter_, "Sine")),
          squareValue_(catalog_.ToNormalized(waveParameter_, "Square")),
          triangleValue_(catalog_.ToNormalized(waveParameter_, "Triangle")) {
        hostkit::ProcessConfig config;
        config.sampleRate = sampleRate;
        config.maxSamplesPerBlock = maxFrames;
        config.sampleSize = Vst::kSample64;
        config.processMode = Vst::kOffline;
        std::string error;
        if (!instance_->Start(config, error)) throw SessionError(error);
        instance_->SetPlaying(true);
        instance_->SetProjectTime(0);
        for (const auto& [name, value] : {std::pair<const char*, const char*>{"Mode", "Generator"},
                                          {"Volume", "100"},
                                          {"Fade", "1"},
                                          {"Center Freq", "Yes"},
                                          {"Beats", "Binaural"}}) {
            const auto& parameter = catalog_.Find(name);
            instance_->ParameterChanges().Add(parameter.id,
                                              catalog_.ToNormalized(parameter, value));
        }
    }

    void Set(double carrier, double beat, Waveform wave) override {
        // The instrument holds tenths of a hertz for the carrier and
        // hundredths for the beat; only changes are sent.
        const long carrierTenths = std::lround(carrier * 10.0);
        const long beatHundredths = std::lround(std::fabs(beat) * 100.0);
        const bool reversed = beat > 0.0; // the higher tone on the left
        auto& changes = instance_->ParameterChanges();
        if (carrierTenths != carrierTenths_) {
            carrierTenths_ = carrierTenths;
            changes.Add(frequency_.id, catalog_.PlainToNormalized(
                                           frequency_, std::max(1.0, carrierTenths / 10.0)));
        }
        if (beatHundredths != beatHundredths_) {
            beatHundredths_ = beatHundredths;
            changes.Add(beat_.id,
                        catalog_.PlainToNormalized(beat_, std::min(512.0, beatHundredths / 100.0)));
        }
        if (reversed != reversed_) {
            reversed_ = reversed;
            changes.Add(reverse_.id, reversed ? reversedValue_ : straightValue_);
        }
        if (wave != currentWave_) {
            currentWave_ = wave;
            // The instrument's own shapes, split at the golden ratio; a sawtooth
            // is closest to its triangle.
            const double value = wave == Waveform::Square ? squareValue_
                                 : wave == Waveform::Triangle || wave == Waveform::Sawtooth
                                     ? triangleValue_
                                     : sineValue_;
            changes.Add(waveParameter_.id, value);
        }
    }

    void Render(double* left, double* right, int frames) override {
        double* outputs[2] = {left, right};
        if (instance_->Process(frames, static_cast<const double* const*>(nullptr), outputs) !=
            kResultOk)
            throw SessionError("the instrument failed to process a block");
    }

private:
    std::unique_ptr<hostkit::PluginInstance> instance_;
    const render::ParameterCatalog& catalog_;
    const render::ParameterDescription& frequency_;
    const render::ParameterDescription& beat_;
    const render::ParameterDescription& reverse_;
    const render::ParameterDescription& waveParameter_;
    const double reversedValue_, straightValue_;
    const double sineValue_, squareValue_, triangleValue_;
    long carrierTenths_ = -1;
    long beatHundredths_ = -1;
    bool reversed_ = false;
    Waveform currentWave_ = Waveform::Sine;
};

} // namespace

std::unique_ptr<ToneVoice> PluginVoiceFactory::Create(int sampleRate, int maxFrames) {
    try {
        return std::make_unique<PluginVoice>(plugin_, sampleRate, maxFrames);
    } catch (const render::RenderError& error) {
        throw SessionError(error.what());
    }
}

} // namespace tonewell::session
