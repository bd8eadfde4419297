#include "MidiInput.h"

#include "MidiSystem.h"
#include "PlayError.h"

namespace tonewell::standalone {

namespace {

// RtMidi prints its warnings unless given somewhere else to put them; the
// program reports what matters itself.
void Quiet(RtMidiError::Type, const std::string&, void*) {}

} // namespace

MidiInput::MidiInput(NoteQueue& notes, std::optional<unsigned int> port) : notes_(notes) {
    if (!MidiSystemPresent()) {
        if (port)
            throw PlayError("no MIDI on this system, so no MIDI input port " +
                            std::to_string(*port));
        return;
    }
    try {
        input_ = std::make_unique<RtMidiIn>(RtMidi::UNSPECIFIED, "Tonewell");
        input_->setErrorCallback(&Quiet, nullptr);
        const unsigned int count = input_->getPortCount();
        if (port && *port >= count)
            throw PlayError("no MIDI input port " + std::to_string(*port) + " (there are " +
                            std::to_string(count) + ")");
        if (count == 0) return;
        const unsigned int chosen = port.value_or(0);
        portName_ = input_->getPortName(chosen);
        input_->setCallback(&MidiInput::OnMessage, this);
        input_->ignoreTypes(true, true, true);
        input_->openPort(chosen, "Tonewell input");
        open_ = true;
    } catch (const RtMidiError& error) {
        if (port) throw PlayError("cannot open MIDI input: " + error.getMessage());
    }
}

MidiInput::~MidiInput() {
    if (open_) {
        try {
            input_->closePort();
        } catch (const RtMidiError&) {
            // On the way out: nothing left to tell.
        }
    }
}

std::vector<std::string> MidiInput::Ports() {
    std::vector<std::string> names;
    if (!MidiSystemPresent()) return names;
    try {
        RtMidiIn input(RtMidi::UNSPECIFIED, "Tonewell");
        input.setErrorCallback(&Quiet, nullptr);
        for (unsigned int i = 0; i < input.getPortCount(); ++i)
            names.push_back(input.getPortName(i));
    } catch (const RtMidiError&) {
        // No MIDI system: no ports.
    }
    return names;
}

bool MidiInput::ToNote(const unsigned char* bytes, std::size_t size, NoteQueue::Note& note) {
    if (bytes == nullptr || size < 3) return false;
    const unsigned char kind = bytes[0] & 0xF0;
    if ((kind != 0x90 && kind != 0x80) || bytes[1] > 127 || bytes[2] > 127) return false;
    note.pitch = bytes[1];
    note.velocity = static_cast<float>(bytes[2]) / 127.f;
    note.on = kind == 0x90 && bytes[2] > 0;
    return true;
}

void MidiInput::OnMessage(double, std::vector<unsigned char>* message, void* self) {
    auto& input = *static_cast<MidiInput*>(self);
    NoteQueue::Note note;
    if (message != nullptr && ToNote(message->data(), message->size(), note))
        input.notes_.Push(note);
}

} // namespace tonewell::standalone
