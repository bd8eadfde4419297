#pragma once

#include "pluginterfaces/vst/ivstcomponent.h"

namespace Steinberg {
namespace Vst {

// The component's state calls under names of their own (see ControllerStateBridge).
class ComponentStateBridge : public IComponent {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return loadComponentState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return saveComponentState(state); }

protected:
    virtual tresult loadComponentState(IBStream*) { return kNotImplemented; }
    virtual tresult saveComponentState(IBStream*) { return kNotImplemented; }
};

} // namespace Vst
} // namespace Steinberg
