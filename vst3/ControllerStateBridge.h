#pragma once

#include "public.sdk/source/vst/vsteditcontroller.h"

namespace Steinberg {
namespace Vst {

// The edit controller's state calls under names of their own. A single
// object that is both component and controller inherits setState and
// getState from both interfaces; these bridges keep the two apart.
class ControllerStateBridge : public EditController {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return loadControllerState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return saveControllerState(state); }

protected:
    virtual tresult loadControllerState(IBStream*) { return kResultOk; }
    virtual tresult saveControllerState(IBStream*) { return kResultOk; }
};

} // namespace Vst
} // namespace Steinberg
