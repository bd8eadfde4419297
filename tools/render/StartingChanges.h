#pragma once

#include <pluginterfaces/vst/vsttypes.h>
#include <vector>

#include "RenderOptions.h"

namespace tonewell::render {

class ParameterCatalog;
class ProgramCatalog;

// The parameter changes sent with the first block, in the order the plug-in
// applies them: the program first, then the mode that notes need, then every
// --set, so explicit settings override the program.
class StartingChanges {
public:
    struct Change {
        Steinberg::Vst::ParamID id;
        Steinberg::Vst::ParamValue normalized;
    };

    // Throws RenderError for an unknown program or parameter, a bad value, or
    // notes together with an explicit generator mode.
    StartingChanges(const RenderOptions& options, const ParameterCatalog& parameters,
                    const ProgramCatalog& programs);

    const std::vector<Change>& Changes() const { return changes_; }

private:
    std::vector<Change> changes_;
};

} // namespace tonewell::render
