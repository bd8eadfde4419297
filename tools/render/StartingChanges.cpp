#include "StartingChanges.h"

#include <cmath>

#include "ParameterCatalog.h"
#include "ProgramCatalog.h"
#include "RenderError.h"

namespace tonewell::render {

namespace {
const char* const kModeName = "Mode";
const char* const kSynthesizerText = "Synthesizer";
} // namespace

StartingChanges::StartingChanges(const RenderOptions& options, const ParameterCatalog& parameters,
                                 const ProgramCatalog& programs) {
    if (options.program) {
        const int index = programs.Resolve(*options.program);
        const auto programChange = parameters.ProgramChangeId();
        if (!programChange) throw RenderError("the plug-in offers no program change");
        changes_.push_back({*programChange, programs.NormalizedValue(index)});
    }

    std::vector<Change> settings;
    bool modeSet = false;
    for (const auto& assignment : options.assignments) {
        const ParameterDescription& parameter = parameters.Find(assignment.name);
        const double normalized = parameters.ToNormalized(parameter, assignment.value);
        if (parameter.title == kModeName) {
            modeSet = true;
            if (!options.notes.empty() &&
                parameters.DisplayText(parameter, normalized) != kSynthesizerText)
                throw RenderError("notes play only in synthesizer mode; drop --set \"" +
                                  assignment.name + "=" + assignment.value + "\" or the notes");
        }
        settings.push_back({parameter.id, normalized});
    }

    // Generator programs would ignore the notes; playing them is what was asked for.
    if (!options.notes.empty() && !modeSet) {
        const ParameterDescription& mode = parameters.Find(kModeName);
        changes_.push_back({mode.id, parameters.ToNormalized(mode, kSynthesizerText)});
    }
    changes_.insert(changes_.end(), settings.begin(), settings.end());
}

} // namespace tonewell::render
