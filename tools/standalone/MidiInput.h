#pragma once

#include <RtMidi.h>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NoteQueue.h"

namespace tonewell::standalone {

// Notes from a MIDI input port (RtMidi) into a note queue; RtMidi's own
// thread is the queue's one producer.
class MidiInput {
public:
    // Opens port `port`, or the first port when none is given. Without a port
    // asked for, a system without MIDI or without ports leaves it closed;
    // with one, that is an error (PlayError).
    MidiInput(NoteQueue& notes, std::optional<unsigned int> port);
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    bool IsOpen() const { return open_; }
    const std::string& PortName() const { return portName_; }

    // Names of the input ports, by number; empty without MIDI.
    static std::vector<std::string> Ports();
    // The note a channel message carries: note-on (velocity 0: off) and
    // note-off on any channel; false for every other message.
    static bool ToNote(const unsigned char* bytes, std::size_t size, NoteQueue::Note& note);

private:
    static void OnMessage(double time, std::vector<unsigned char>* message, void* self);

    NoteQueue& notes_;
    std::unique_ptr<RtMidiIn> input_;
    std::string portName_;
    bool open_ = false;
};

} // namespace tonewell::standalone
