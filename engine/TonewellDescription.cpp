// What the module's factory registers for this instrument.
#include <new>

#include "CLS_TONEWELL.h"
#include "PluginClassDescription.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace {

Steinberg::FUnknown* CreateTonewell(void*) {
    auto* plug = new (std::nothrow) CLS_TONEWELL();
    return plug ? static_cast<Steinberg::Vst::IAudioProcessor*>(plug) : nullptr;
}

} // namespace

const PluginClassDescription& DescribePlugin() {
    static const PluginClassDescription description{
        CLS_TONEWELL::kMakerName,
        "https://kestrin.audio",
        "",
        CLS_TONEWELL::kEffectName,
        kVstAudioEffectClass,
        Steinberg::Vst::PlugType::kInstrument,
        "2.3.0",
        CLS_TONEWELL::kMakerId,
        CLS_TONEWELL::kUniqueId,
        CreateTonewell,
    };
    return description;
}
