#include "ComputerKeyboard.h"

#include <algorithm>

namespace tonewell::standalone {

namespace {

// Semitones above C, by key, as on a tracker's keyboard.
constexpr struct {
    char32_t key;
    short semitone;
} kLayout[] = {{U'a', 0},  {U'w', 1},  {U's', 2},  {U'e', 3},  {U'd', 4},  {U'f', 5},
               {U't', 6},  {U'g', 7},  {U'y', 8},  {U'h', 9},  {U'u', 10}, {U'j', 11},
               {U'k', 12}, {U'o', 13}, {U'l', 14}, {U'p', 15}, {U';', 16}};

constexpr float kVelocity = 100.f / 127.f;

} // namespace

std::optional<NoteQueue::Note> ComputerKeyboard::Press(char32_t key) {
    if (key == U'z' || key == U'x') {
        octave_ = std::clamp(octave_ + (key == U'x' ? 1 : -1), 0, 8);
        return std::nullopt;
    }
    if (held_.count(key) != 0) return std::nullopt;
    for (const auto& entry : kLayout) {
        if (entry.key != key) continue;
        const int pitch = BaseNote() + entry.semitone;
        if (pitch > 127) return std::nullopt;
        held_[key] = static_cast<short>(pitch);
        return NoteQueue::Note{static_cast<short>(pitch), kVelocity, true};
    }
    return std::nullopt;
}

std::optional<NoteQueue::Note> ComputerKeyboard::Release(char32_t key) {
    const auto held = held_.find(key);
    if (held == held_.end()) return std::nullopt;
    const NoteQueue::Note note{held->second, 0.f, false};
    held_.erase(held);
    return note;
}

} // namespace tonewell::standalone
