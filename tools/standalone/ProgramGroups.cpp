#include "ProgramGroups.h"

#include <TextParsing.h>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <sstream>

namespace tonewell::standalone {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// The beat a "Binaural - 7.83 (...)" name gives.
std::optional<double> BinauralBeat(const std::string& lower) {
    static const std::string kPrefix = "binaural - ";
    if (!StartsWith(lower, kPrefix)) return std::nullopt;
    const std::size_t end = lower.find(' ', kPrefix.size());
    const auto beat = render::ParseNumber(lower.substr(kPrefix.size(), end - kPrefix.size()));
    if (!beat || !(*beat > 0.0)) return std::nullopt;
    return beat;
}

// An empty user slot is named by its number alone: "- 126 -".
bool UserSlot(const std::string& name) {
    if (name.size() < 5 || !StartsWith(name, "- ") || name.compare(name.size() - 2, 2, " -") != 0)
        return false;
    const std::string number = name.substr(2, name.size() - 4);
    return !number.empty() && std::all_of(number.begin(), number.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// The bands and limits of the editor's display; a beat belongs to the
// first band it is below.
struct Band {
    double below;
    const char* title;
};
constexpr std::array<Band, 8> kBands = {{
    {0.5, "Binaural: Epsilon, below 0.5 Hz"},
    {4.0, "Binaural: Delta, 0.5 to 4 Hz"},
    {8.0, "Binaural: Theta, 4 to 8 Hz"},
    {14.0, "Binaural: Alpha, 8 to 14 Hz"},
    {30.0, "Binaural: Beta, 14 to 30 Hz"},
    {60.0, "Binaural: Gamma, 30 to 60 Hz"},
    {200.0, "Binaural: Lambda, 60 to 200 Hz"},
    {1e300, "Binaural: 200 Hz and above"},
}};

// Group order after the bands.
enum Kind { kSolfeggio, kHealing, kTunings, kWaves, kSetUps, kUserSlots, kKinds };
constexpr std::array<const char*, kKinds> kKindTitles = {
    "Solfeggio", "Healing frequencies", "Tunings", "Waves", "Set-ups", "User slots"};

} // namespace

ProgramGroups::ProgramGroups(const std::vector<std::string>& names) : names_(names) {
    std::array<std::vector<std::pair<double, int>>, kBands.size()> bands;
    std::array<std::vector<int>, kKinds> kinds;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const int index = static_cast<int>(i);
        const std::string lower = Lower(names_[i]);
        if (const auto beat = BinauralBeat(lower)) {
            std::size_t band = 0;
            while (*beat >= kBands[band].below)
                ++band;
            bands[band].emplace_back(*beat, index);
        } else if (StartsWith(lower, "solfeggio")) {
            kinds[kSolfeggio].push_back(index);
        } else if (StartsWith(lower, "healing")) {
            kinds[kHealing].push_back(index);
        } else if (lower.find("tuning") != std::string::npos ||
                   lower.find("tunning") != std::string::npos) {
            kinds[kTunings].push_back(index);
        } else if (lower.find("wave") != std::string::npos) {
            kinds[kWaves].push_back(index);
        } else if (UserSlot(names_[i])) {
            kinds[kUserSlots].push_back(index);
        } else {
            kinds[kSetUps].push_back(index);
        }
    }
    for (std::size_t band = 0; band < kBands.size(); ++band) {
        if (bands[band].empty()) continue;
        // Stable: programs with the same beat keep the factory's order.
        std::stable_sort(bands[band].begin(), bands[band].end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        Group group{kBands[band].title, {}};
        for (const auto& entry : bands[band])
            group.programs.push_back(entry.second);
        groups_.push_back(std::move(group));
    }
    for (std::size_t kind = 0; kind < kKinds; ++kind)
        if (!kinds[kind].empty()) groups_.push_back({kKindTitles[kind], kinds[kind]});
}

std::vector<int> ProgramGroups::Find(const std::string& text) const {
    std::vector<std::string> words;
    std::istringstream split(Lower(text));
    for (std::string word; split >> word;)
        words.push_back(word);
    if (words.empty()) return {};
    std::vector<int> found;
    for (const auto& group : groups_) {
        const std::string title = Lower(group.title);
        for (const int index : group.programs) {
            const std::string name = Lower(names_[static_cast<std::size_t>(index)]);
            if (std::all_of(words.begin(), words.end(), [&](const std::string& word) {
                    return name.find(word) != std::string::npos ||
                           title.find(word) != std::string::npos;
                }))
                found.push_back(index);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string ProgramGroups::Listing() const {
    std::string listing;
    for (const auto& group : groups_) {
        if (!listing.empty()) listing += '\n';
        listing += group.title + ":\n";
        for (const int index : group.programs) {
            char number[32];
            std::snprintf(number, sizeof number, "%5d  ", index);
            listing += number + names_[static_cast<std::size_t>(index)] + "\n";
        }
    }
    return listing;
}

} // namespace tonewell::standalone
