#pragma once

#include <array>
#include <pluginterfaces/vst/ivstparameterchanges.h>

namespace tonewell::hostkit {

// The points of one parameter for one block, in sample-offset order. The
// capacity is fixed so that filling and reading never allocate. The host owns
// the queue; the plug-in only borrows it during process, so the reference
// count does not govern its lifetime.
class ParamValueQueue : public Steinberg::Vst::IParamValueQueue {
public:
    static constexpr Steinberg::int32 kCapacity = 64;

    void Reset(Steinberg::Vst::ParamID id);

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id_; }
    Steinberg::int32 PLUGIN_API getPointCount() override { return count_; }
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    // Keeps the points sorted by offset; a point at an offset already present
    // replaces that point's value. kResultFalse when the queue is full.
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct Point {
        Steinberg::int32 offset;
        Steinberg::Vst::ParamValue value;
    };

    Steinberg::Vst::ParamID id_ = 0;
    Steinberg::int32 count_ = 0;
    std::array<Point, kCapacity> points_{};
};

} // namespace tonewell::hostkit
