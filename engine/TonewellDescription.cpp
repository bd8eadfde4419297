// What the module's factory registers for this instrument.
#include <new>

#include "CLS_TONEWELL.h"
#include "PluginClassDescription.h"
#include "TonewellIdentity.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace {

Steinberg::FUnknown* CreateTonewell(void*) {
    auto* plug = new (std::nothrow) CLS_TONEWELL();
    return plug ? static_cast<Steinberg::Vst::IAudioProcessor*>(plug) : nullptr;
}

} // namespace

const PluginClassDescription& DescribePlugin() {
    static const PluginClassDescription description{kTonewellIdentity, CreateTonewell};
    return description;
}
