#include "SbagenProgram.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tonewell::session {

namespace {

constexpr double kFadeIn = 5.0;   // seconds from silence before the sequence
constexpr double kFadeOut = 10.0; // seconds to silence after it
constexpr double kMaxMinutes = 1380.0;
constexpr double kFirstBeat = 10.0;
// The deepest beat of each depth letter, a to l.
constexpr double kDepthBeats[12] = {4.4, 3.7, 3.1, 2.5, 2.0, 1.5, 1.2, 0.9, 0.7, 0.5, 0.4, 0.3};

[[noreturn]] void Fail(std::size_t word, std::size_t offset, std::string what) {
    throw SbagenProgram::Error{word, offset, std::move(what)};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// An unsigned decimal number at text[pos]; advances pos.
bool ReadNumber(std::string_view text, std::size_t& pos, double& value) {
    const std::size_t start = pos;
    while (pos < text.size() && (IsDigit(text[pos]) || text[pos] == '.'))
        ++pos;
    const std::string digits(text.substr(start, pos - start));
    if (digits.empty() || digits.size() > 24 || digits == "." ||
        std::count(digits.begin(), digits.end(), '.') > 1) {
        pos = start;
        return false;
    }
    value = std::strtod(digits.c_str(), nullptr);
    return true;
}

// "t<m>" or "t<m>,<m>,<m>": minutes, each rounded to the nearest one.
std::vector<double> ReadLengths(std::string_view text, std::size_t word, std::size_t count) {
    std::vector<double> minutes;
    std::size_t pos = 1;
    const char* what = count == 1 ? "expected t and a length in minutes, such as t60"
                                  : "expected t and three lengths in minutes, such as t30,30,3";
    while (true) {
        double value = 0.0;
        if (!ReadNumber(text, pos, value)) Fail(word, pos, what);
        minutes.push_back(std::round(value));
        if (minutes.size() == count) break;
        if (pos >= text.size() || text[pos] != ',') Fail(word, pos, what);
        ++pos;
    }
    if (pos != text.size()) Fail(word, pos, what);
    double total = 0.0;
    for (const double m : minutes)
        total += m;
    if (total > kMaxMinutes) Fail(word, 1, "expected lengths that add up to at most 23 hours");
    return minutes;
}

ToneSpec BeatTone(bool pulsed, double carrier, double beat, double amp) {
    ToneSpec tone;
    tone.kind = pulsed ? ToneKind::Isochronic : ToneKind::Binaural;
    tone.carrier = carrier;
    tone.beat = beat;
    tone.amp = amp;
    return tone;
}

void AddPoint(std::vector<SbagenProgram::Point>& points, double seconds, const ToneSpec& tone) {
    points.push_back({seconds, true, tone});
}

void AddSilence(std::vector<SbagenProgram::Point>& points, double seconds) {
    points.push_back({seconds, false, ToneSpec{}});
}

} // namespace

std::vector<SbagenProgram::Point> SbagenProgram::Read(const std::vector<std::string_view>& words,
                                                      std::size_t& used) {
    if (words.empty()) Fail(0, 0, "expected drop or slide after -p");
    if (words[0] == "drop") return Drop(words, used);
    if (words[0] == "slide") return Slide(words, used);
    Fail(0, 0, "expected drop or slide after -p");
}

std::vector<SbagenProgram::Point> SbagenProgram::Drop(const std::vector<std::string_view>& words,
                                                      std::size_t& used) {
    std::size_t word = 1;
    double dropMinutes = 30.0;
    double holdMinutes = 30.0;
    double wakeMinutes = 3.0;
    if (word < words.size() && !words[word].empty() && words[word][0] == 't') {
        const auto lengths = ReadLengths(words[word], word, 3);
        dropMinutes = lengths[0];
        holdMinutes = lengths[1];
        wakeMinutes = lengths[2];
        ++word;
    }
    if (word >= words.size())
        Fail(word - 1, words[word - 1].size(), "expected a drop level such as 00ds+ after it");

    // <level><depth>[s|k][+][^][@][/<amp>]
    const std::string_view levelText = words[word];
    std::size_t pos = 0;
    if (levelText.size() < 2 || !IsDigit(levelText[0]) || !IsDigit(levelText[1]))
        Fail(word, 0, "expected a level of two digits, 00 to 99, then a depth a to l");
    pos = 2;
    if (pos < levelText.size() && levelText[pos] == '.') {
        ++pos;
        if (pos >= levelText.size() || !IsDigit(levelText[pos]))
            Fail(word, pos, "expected the level's decimals, such as 20.5");
        while (pos < levelText.size() && IsDigit(levelText[pos]))
            ++pos;
    }
    const double level = std::strtod(std::string(levelText.substr(0, pos)).c_str(), nullptr);
    const char letter = pos < levelText.size() ? levelText[pos] : 0;
    const int depth = letter >= 'a' && letter <= 'l'   ? letter - 'a'
                      : letter >= 'A' && letter <= 'L' ? letter - 'A'
                                                       : -1;
    if (depth < 0) Fail(word, pos, "expected a depth letter from a to l after the level");
    ++pos;
    const bool smooth = pos < levelText.size() && levelText[pos] == 's';
    const bool shortSteps = pos < levelText.size() && levelText[pos] == 'k';
    if (smooth || shortSteps) ++pos;
    auto flag = [&](char c) {
        if (pos < levelText.size() && levelText[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    };
    const bool hold = flag('+');
    const bool wake = flag('^');
    const bool pulsed = flag('@');
    double amp = 1.0;
    if (flag('/')) {
        const std::size_t start = pos;
        if (!ReadNumber(levelText, pos, amp) || amp > 100.0)
            Fail(word, start, "expected an amplitude (0 to 100) after '/'");
    }
    if (pos != levelText.size())
        Fail(word, pos, "expected s or k, then +, ^, @ and /amp, in that order, or the end");
    used = word + 1;
    amp /= 100.0;

    const double lastCarrier = 200.0 - 2.0 * level;
    const double firstCarrier = lastCarrier + 5.0;
    const double deepest = kDepthBeats[depth];
    const double drop = std::max(dropMinutes, 1.0) * 60.0;
    const double held = hold ? holdMinutes * 60.0 : 0.0;
    const double woken = wake ? wakeMinutes * 60.0 : 0.0;
    const ToneSpec first = BeatTone(pulsed, firstCarrier, kFirstBeat, amp);
    auto beatAt = [&](int step, int steps) {
        return kFirstBeat * std::pow(deepest / kFirstBeat, step / static_cast<double>(steps - 1));
    };

    std::vector<Point> points;
    AddSilence(points, 0.0);
    double end = 0.0; // where the last point holds until
    if (smooth) {
        // One point a minute or so, the carrier falling evenly through drop and hold.
        const int steps = std::max(2, static_cast<int>(std::lround(drop / 60.0)));
        const double carrierTime = drop + held;
        for (int i = 0; i < steps; ++i) {
            const double t = drop * i / (steps - 1);
            AddPoint(points, kFadeIn + t,
                     BeatTone(pulsed, firstCarrier - 5.0 * t / carrierTime, beatAt(i, steps), amp));
        }
        end = kFadeIn + carrierTime;
        if (held > 0.0) AddPoint(points, end, BeatTone(pulsed, lastCarrier, deepest, amp));
    } else {
        // Steps held still, each sliding into the next just before it begins.
        const double step = shortSteps ? 60.0 : 180.0;
        const double slide = shortSteps ? 5.0 : 10.0;
        const int dropSteps = std::max(2, static_cast<int>(std::ceil(drop / step - 1e-9)));
        const int holdSteps = static_cast<int>(std::ceil(held / step - 1e-9));
        const int steps = dropSteps + holdSteps;
        for (int i = 0; i < steps; ++i) {
            const ToneSpec tone = BeatTone(pulsed, firstCarrier - 5.0 * (i + 1) / steps,
                                           i < dropSteps ? beatAt(i, dropSteps) : deepest, amp);
            AddPoint(points, kFadeIn + i * step, tone);
            AddPoint(points, kFadeIn + (i + 1) * step - slide, tone);
        }
        end = kFadeIn + steps * step - slide;
    }
    if (woken > 0.0) {
        end += woken;
        AddPoint(points, end, first);
    }
    AddSilence(points, end + kFadeOut);
    return points;
}

std::vector<SbagenProgram::Point> SbagenProgram::Slide(const std::vector<std::string_view>& words,
                                                       std::size_t& used) {
    std::size_t word = 1;
    double minutes = 30.0;
    if (word < words.size() && !words[word].empty() && words[word][0] == 't') {
        minutes = ReadLengths(words[word], word, 1)[0];
        if (minutes < 1.0) Fail(word, 1, "expected a length of at least 1 minute");
        ++word;
    }
    if (word >= words.size())
        Fail(word - 1, words[word - 1].size(), "expected a tone such as 200+10/1 after it");
    ToneSpec tone;
    std::string error;
    std::size_t offset = 0;
    if (!ParseToneSpec(words[word], tone, error, offset)) Fail(word, offset, error);
    if (!tone.IsTone() || tone.beat == 0.0 || tone.customWave >= 0)
        Fail(word, 0, "expected carrier+beat/amp, carrier-beat/amp or carrier@pulse/amp");
    used = word + 1;

    // The beat stays; the carrier slides down until the lower tone reaches 0 Hz.
    ToneSpec last = tone;
    last.carrier = std::fabs(tone.beat) / 2.0;
    const double end = kFadeIn + minutes * 60.0;
    std::vector<Point> points;
    AddSilence(points, 0.0);
    AddPoint(points, kFadeIn, tone);
    AddPoint(points, end, last);
    AddSilence(points, end + kFadeOut);
    return points;
}

} // namespace tonewell::session
