#include "PluginVoiceFactory.h"

#include <PluginSession.h>
#include <RenderError.h>
#include <algorithm>
#include <cmath>

#include "SessionError.h"

using namespace Steinberg;

namespace tonewell::session {

namespace {

// Rounds a value that changes from block to block to whole steps, carrying
// the difference over (in steps times frames) so that the steps' running
// total stays within about half a step of one block from the value's. A
// block is at most one step off, however short it is.
class StepRounding {
public:
    long Next(double target, int frames, long lowest, long highest) {
        const double n = std::max(frames, 1);
        const double makeUp = std::clamp(carried_ / n, -0.5, 0.5);
        const long step = std::lround(target + makeUp);
        if (step < lowest || step > highest) {
            carried_ = 0.0; // out of range there is nothing to make up for
            return std::clamp(step, lowest, highest);
        }
        carried_ += (target - static_cast<double>(step)) * n;
        return step;
    }

private:
    double carried_ = 0.0;
};

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
        carrierTarget_ = carrier * 10.0;
        beatTarget_ = std::fabs(beat) * 100.0;
        auto& changes = instance_->ParameterChanges();
        const bool reversed = beat > 0.0; // the higher tone on the left
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
        // The instrument holds tenths of a hertz for the carrier and
        // hundredths for the beat. The carrier is rounded to its step; the
        // beat, which is what a listener entrains to, plays in each block the
        // step that keeps its running total, and so the phase between the
        // ears, closest to the session's: a beat between two steps plays each
        // in turn with its mean exact (the ears move by 0.005 Hz, whose
        // sidebands lie below -80 dB), and the error never builds up over a
        // long slide.
        auto& changes = instance_->ParameterChanges();
        const long carrierTenths = std::max(10L, std::lround(carrierTarget_));
        const long beatHundredths = beatSteps_.Next(beatTarget_, frames, 0, 51200);
        if (carrierTenths != carrierTenths_) {
            carrierTenths_ = carrierTenths;
            changes.Add(frequency_.id,
                        catalog_.PlainToNormalized(frequency_, carrierTenths / 10.0));
        }
        if (beatHundredths != beatHundredths_) {
            beatHundredths_ = beatHundredths;
            changes.Add(beat_.id, catalog_.PlainToNormalized(beat_, beatHundredths / 100.0));
        }
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
    double carrierTarget_ = 0.0; // in tenths of a hertz
    double beatTarget_ = 0.0;    // in hundredths
    StepRounding beatSteps_;
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
