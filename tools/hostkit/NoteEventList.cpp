#include "NoteEventList.h"

namespace tonewell::hostkit {

using namespace Steinberg;

NoteEventList::NoteEventList(int32 capacity)
    : events_(static_cast<size_t>(capacity > 0 ? capacity : 1)) {}

bool NoteEventList::AddNoteOn(int32 sampleOffset, int16 pitch, float velocity, int16 channel) {
    Vst::Event e{};
    e.sampleOffset = sampleOffset;
    e.type = Vst::Event::kNoteOnEvent;
    e.noteOn.channel = channel;
    e.noteOn.pitch = pitch;
    e.noteOn.velocity = velocity;
    e.noteOn.noteId = -1;
    return addEvent(e) == kResultOk;
}

bool NoteEventList::AddNoteOff(int32 sampleOffset, int16 pitch, float velocity, int16 channel) {
    Vst::Event e{};
    e.sampleOffset = sampleOffset;
    e.type = Vst::Event::kNoteOffEvent;
    e.noteOff.channel = channel;
    e.noteOff.pitch = pitch;
    e.noteOff.velocity = velocity;
    e.noteOff.noteId = -1;
    return addEvent(e) == kResultOk;
}

tresult PLUGIN_API NoteEventList::getEvent(int32 index, Vst::Event& e) {
    if (index < 0 || index >= count_) return kInvalidArgument;
    e = events_[static_cast<size_t>(index)];
    return kResultOk;
}

tresult PLUGIN_API NoteEventList::addEvent(Vst::Event& e) {
    if (count_ == static_cast<int32>(events_.size())) return kResultFalse;
    events_[static_cast<size_t>(count_++)] = e;
    return kResultOk;
}

tresult PLUGIN_API NoteEventList::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IEventList::iid)) {
        *obj = static_cast<Vst::IEventList*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace tonewell::hostkit
