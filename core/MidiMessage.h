#pragma once

#include <cstdint>

// One short MIDI message with its sample offset inside the block.
struct MidiMessage {
    int32_t offset = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    // High nibble of a channel message (8 note off, 9 note on, ...), else 0.
    int Kind() const { return status >= 0x80 && status <= 0xEF ? status >> 4 : 0; }
    // Note number of note off, note on and polyphonic pressure, else -1.
    int NoteNumber() const { return status >= 0x80 && status <= 0xAF ? data1 : -1; }
    // Velocity of note off and note on, else -1.
    int Velocity() const { return status >= 0x80 && status <= 0x9F ? data2 : -1; }

    static constexpr int kNoteOff = 8;
    static constexpr int kNoteOn = 9;
};
