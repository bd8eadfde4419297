#include "ToneSpec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tonewell::session {

namespace {

// Reads an unsigned decimal number ("10", "7.83", ".5") at `pos`.
bool ReadNumber(std::string_view text, std::size_t& pos, double& value) {
    const std::size_t start = pos;
    bool digits = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        ++pos;
        digits = true;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
            digits = true;
        }
    }
    if (!digits || pos - start > 24) {
        pos = start;
        return false;
    }
    value = std::strtod(std::string(text.substr(start, pos - start)).c_str(), nullptr);
    return std::isfinite(value);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

struct Cursor {
    std::string_view text;
    std::size_t pos = 0;
    std::string& error;
    std::size_t& offset;

    bool Fail(const std::string& what) {
        error = what;
        offset = pos;
        return false;
    }
    bool Number(double& value, const char* what) {
        return ReadNumber(text, pos, value) || Fail(std::string("expected ") + what);
    }
    bool Char(char c, const char* what) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return Fail(std::string("expected ") + what);
    }
    bool Amplitude(double& amp) {
        double value = 0.0;
        if (!Char('/', "'/' and an amplitude (0 to 100)") ||
            !Number(value, "an amplitude (0 to 100)"))
            return false;
        amp = value / 100.0;
        return true;
    }
    bool End() { return pos == text.size() || Fail("expected the end of the tone"); }
};

} // namespace

bool ToneSpec::IsNoise() const {
    return kind == ToneKind::Pink || kind == ToneKind::White || kind == ToneKind::Brown ||
           kind == ToneKind::Spin || kind == ToneKind::BrownSpin || kind == ToneKind::WhiteSpin;
}

double ToneSpec::Level() const {
    return kind == ToneKind::MixSpin || kind == ToneKind::MixPulse || kind == ToneKind::Off ? 0.0
                                                                                            : amp;
}

const char* WaveformName(Waveform wave) {
    switch (wave) {
    case Waveform::Square:
        return "square";
    case Waveform::Triangle:
        return "triangle";
    case Waveform::Sawtooth:
        return "sawtooth";
    default:
        return "sine";
    }
}

std::string ToneSpec::Describe() const {
    char text[160];
    const double a = amp * 100.0;
    std::string prefix;
    if (customWave >= 0) {
        char name[16];
        std::snprintf(name, sizeof name, "wave%02d:", customWave);
        prefix = name;
    } else if (wave != Waveform::Default) {
        prefix = std::string(WaveformName(wave)) + ":";
    }
    switch (kind) {
    case ToneKind::Off:
        return "-";
    case ToneKind::Binaural:
        if (beat == 0.0)
            std::snprintf(text, sizeof text, "%g/%g", carrier, a);
        else
            std::snprintf(text, sizeof text, "%g%c%g/%g", carrier, beat < 0 ? '-' : '+',
                          std::fabs(beat), a);
        break;
    case ToneKind::Isochronic:
        std::snprintf(text, sizeof text, "%g@%g/%g", carrier, beat, a);
        break;
    case ToneKind::Pink:
        std::snprintf(text, sizeof text, "pink/%g", a);
        break;
    case ToneKind::White:
        std::snprintf(text, sizeof text, "white/%g", a);
        break;
    case ToneKind::Brown:
        std::snprintf(text, sizeof text, "brown/%g", a);
        break;
    case ToneKind::Mix:
        std::snprintf(text, sizeof text, "mix/%g", a);
        break;
    case ToneKind::Bell:
        std::snprintf(text, sizeof text, "bell+%g/%g", carrier, a);
        break;
    case ToneKind::MixPulse:
        std::snprintf(text, sizeof text, "mixpulse:%g/%g", beat, a);
        break;
    default: {
        const char* name = kind == ToneKind::Spin        ? "spin"
                           : kind == ToneKind::BrownSpin ? "bspin"
                           : kind == ToneKind::WhiteSpin ? "wspin"
                                                         : "mixspin";
        std::snprintf(text, sizeof text, "%s:%g%c%g/%g", name, width, beat < 0 ? '-' : '+',
                      std::fabs(beat), a);
    }
    }
    return prefix + text;
}

bool ParseToneSpec(std::string_view text, ToneSpec& toneSpec, std::string& error,
                   std::size_t& offset) {
    toneSpec = ToneSpec{};
    Cursor at{text, 0, error, offset};
    if (text == "-") return true;

    // An optional waveform in front: sine:, square:, triangle:, sawtooth:, waveNN:.
    static const struct {
        const char* name;
        Waveform wave;
    } waves[] = {{"sine:", Waveform::Sine},
                 {"square:", Waveform::Square},
                 {"triangle:", Waveform::Triangle},
                 {"sawtooth:", Waveform::Sawtooth}};
    for (const auto& candidate : waves) {
        if (StartsWith(text, candidate.name)) {
            toneSpec.wave = candidate.wave;
            at.pos = std::char_traits<char>::length(candidate.name);
            break;
        }
    }
    if (toneSpec.wave == Waveform::Default && StartsWith(text, "wave")) {
        if (text.size() < 7 || text[4] < '0' || text[4] > '9' || text[5] < '0' || text[5] > '9' ||
            text[6] != ':') {
            at.pos = 4;
            return at.Fail("expected two digits and ':' after 'wave' (wave00: to wave99:)");
        }
        toneSpec.customWave = (text[4] - '0') * 10 + (text[5] - '0');
        at.pos = 7;
    }
    const std::string_view rest = text.substr(at.pos);
    if (toneSpec.customWave >= 0 &&
        (rest.empty() || ((rest[0] < '0' || rest[0] > '9') && rest[0] != '.')))
        return at.Fail(
            "expected carrier+beat or carrier-beat: a waveNN: shape plays binaural tones");

    static const struct {
        const char* name;
        ToneKind kind;
    } noises[] = {{"pink", ToneKind::Pink},
                  {"white", ToneKind::White},
                  {"brown", ToneKind::Brown},
                  {"mix", ToneKind::Mix}};
    const bool prefixed = at.pos > 0;
    for (const auto& noise : noises) {
        const std::size_t length = std::char_traits<char>::length(noise.name);
        if (StartsWith(rest, noise.name) && rest.size() > length && rest[length] == '/') {
            // As in SBaGen+, a noise bed or the mix takes no waveform.
            if (prefixed) return at.Fail("expected a tone, spin or mix effect after the waveform");
            toneSpec.kind = noise.kind;
            at.pos += length;
            return at.Amplitude(toneSpec.amp) && at.End();
        }
    }
    static const struct {
        const char* name;
        ToneKind kind;
    } spins[] = {{"spin:", ToneKind::Spin},
                 {"bspin:", ToneKind::BrownSpin},
                 {"wspin:", ToneKind::WhiteSpin},
                 {"mixspin:", ToneKind::MixSpin}};
    for (const auto& spin : spins) {
        if (StartsWith(rest, spin.name)) {
            toneSpec.kind = spin.kind;
            at.pos += std::char_traits<char>::length(spin.name);
            if (!at.Number(toneSpec.width, "a spin width in microseconds")) return false;
            if (at.pos >= text.size() || (text[at.pos] != '+' && text[at.pos] != '-'))
                return at.Fail("expected '+' or '-' and a spin rate in Hz");
            const bool negative = text[at.pos++] == '-';
            if (!at.Number(toneSpec.beat, "a spin rate in Hz")) return false;
            if (negative) toneSpec.beat = -toneSpec.beat;
            return at.Amplitude(toneSpec.amp) && at.End();
        }
    }
    if (StartsWith(rest, "mixpulse:")) {
        toneSpec.kind = ToneKind::MixPulse;
        at.pos += 9;
        return at.Number(toneSpec.beat, "a pulse rate in Hz") && at.Amplitude(toneSpec.amp) &&
               at.End();
    }
    if (StartsWith(rest, "bell")) {
        toneSpec.kind = ToneKind::Bell;
        at.pos += 4;
        return at.Char('+', "'+' and the bell's pitch in Hz") &&
               at.Number(toneSpec.carrier, "the bell's pitch in Hz") &&
               at.Amplitude(toneSpec.amp) && at.End();
    }

    if (!at.Number(toneSpec.carrier, "a tone: a carrier in Hz (200+10/20, 300@8/15, 200/10), "
                                     "pink/, white/, brown/, mix/, spin:, bspin:, wspin:, bell+, "
                                     "mixspin: or mixpulse:"))
        return false;
    toneSpec.kind = ToneKind::Binaural;
    // A custom shape plays binaural tones only, written with their sign.
    if (toneSpec.customWave >= 0 &&
        (at.pos >= text.size() || (text[at.pos] != '+' && text[at.pos] != '-')))
        return at.Fail("expected '+' or '-' and a beat: a waveNN: shape plays binaural tones");
    if (at.pos < text.size() &&
        (text[at.pos] == '+' || text[at.pos] == '-' || text[at.pos] == '@')) {
        const char sign = text[at.pos++];
        if (!at.Number(toneSpec.beat,
                       sign == '@' ? "a pulse rate in Hz" : "a beat frequency in Hz"))
            return false;
        if (sign == '-') toneSpec.beat = -toneSpec.beat;
        if (sign == '@') toneSpec.kind = ToneKind::Isochronic;
    }
    return at.Amplitude(toneSpec.amp) && at.End();
}

} // namespace tonewell::session
