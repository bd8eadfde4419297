#pragma once

#include <string>
#include <string_view>

namespace tonewell::session {

enum class ToneKind {
    Off,        // slot not in use
    Binaural,   // carrier and beat, one ear each (a beat of 0 is a plain tone)
    Isochronic, // one carrier, pulsed
    Pink,
    White,
    Brown,
    Spin,      // pink noise swung between the ears
    BrownSpin, // brown noise swung between the ears
    WhiteSpin, // white noise swung between the ears
    Bell,
    Mix,      // the input audio
    MixSpin,  // the input audio swung between the ears
    MixPulse, // the input audio pulsed
};

enum class Waveform { Default, Sine, Square, Triangle, Sawtooth };

// One entry of a tone-set, as written: "200+10/20", "300@8/15", "pink/40",
// "spin:300+4/50", "square:mixpulse:8/60", "wave03:200+4/20".
struct ToneSpec {
    ToneKind kind = ToneKind::Off;
    Waveform wave = Waveform::Default;
    int customWave = -1;  // 0..99 for waveNN shapes
    double carrier = 0.0; // Hz (bell: its pitch)
    double beat = 0.0;    // Hz, signed: positive puts the higher tone left; pulse or spin rate
    double width = 0.0;   // spin width in microseconds
    double amp = 0.0;     // 0..1 of full scale (or the effect's intensity)

    bool IsTone() const { return kind == ToneKind::Binaural || kind == ToneKind::Isochronic; }
    bool IsNoise() const;
    // Amplitude that counts towards full scale (effects on the mix count nothing).
    double Level() const;
    // "sine:200+10/20" style text, for listings.
    std::string Describe() const;
};

// Parses one tone of a tone-set. On failure returns false and sets `error` to what was
// expected and `offset` to the byte of `text` it concerns.
bool ParseToneSpec(std::string_view text, ToneSpec& toneSpec, std::string& error,
                   std::size_t& offset);

const char* WaveformName(Waveform wave);

} // namespace tonewell::session
