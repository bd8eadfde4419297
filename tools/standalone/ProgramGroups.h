#pragma once

#include <string>
#include <vector>

namespace tonewell::standalone {

// The program list sorted into the groups a listener looks for, read from
// what the programs' names say: binaural beats by the brainwave band of
// their beat (the bands the editor's display names), Solfeggio and healing
// tones, tunings, wave shapes, other set-ups and the empty user slots.
class ProgramGroups {
public:
    struct Group {
        std::string title;
        // Program numbers; binaural bands in the order of their beats.
        std::vector<int> programs;
    };

    explicit ProgramGroups(const std::vector<std::string>& names);

    // The groups that hold programs, in the order a menu shows them.
    const std::vector<Group>& Groups() const { return groups_; }
    // Programs whose name or group title holds every word of `text`
    // (case ignored), in program order; none for a text without words.
    std::vector<int> Find(const std::string& text) const;
    // The groups with their programs' numbers and names, for a terminal.
    std::string Listing() const;

private:
    std::vector<std::string> names_;
    std::vector<Group> groups_;
};

} // namespace tonewell::standalone
