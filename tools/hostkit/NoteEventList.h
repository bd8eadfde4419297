#pragma once

#include <pluginterfaces/vst/ivstevents.h>
#include <vector>

namespace tonewell::hostkit {

// The input events of one block, with a capacity fixed at construction so
// that adding events never allocates. Host-owned like ParamValueQueue.
class NoteEventList : public Steinberg::Vst::IEventList {
public:
    explicit NoteEventList(Steinberg::int32 capacity = 256);

    // Velocity in 0..1; false when the list is full.
    bool AddNoteOn(Steinberg::int32 sampleOffset, Steinberg::int16 pitch, float velocity,
                   Steinberg::int16 channel = 0);
    bool AddNoteOff(Steinberg::int32 sampleOffset, Steinberg::int16 pitch, float velocity = 0.f,
                    Steinberg::int16 channel = 0);
    void Clear() { count_ = 0; }

    Steinberg::int32 PLUGIN_API getEventCount() override { return count_; }
    Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index,
                                           Steinberg::Vst::Event& e) override;
    Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<Steinberg::Vst::Event> events_;
    Steinberg::int32 count_ = 0;
};

} // namespace tonewell::hostkit
