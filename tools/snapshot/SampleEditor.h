// The sample editor: a 368 x 370 headless surface laid out like the
// instrument's editor (background, six image knobs inside value arcs, two
// buttons, a slider and a labelled switch), attached to a SampleCore. It is
// what the snapshot tool shows and what the GUI benchmark paints.
#pragma once

#include <memory>
#include <string>

#include "SampleCore.h"
#include "SampleLayout.h"
#include "SampleSurface.h"

class IControl;

namespace tonewell::snapshot {

class SampleEditor {
public:
    SampleEditor();

    SampleEditor(const SampleEditor&) = delete;
    SampleEditor& operator=(const SampleEditor&) = delete;

    SampleCore& Core() const { return *core; }
    // Owned by the core.
    SampleSurface& Surface() const { return *surface; }

    // Control indexes; knob n follows layout::kKnobs.
    int KnobIndex(int n) const { return firstKnob + n; }
    int PanButtonIndex() const { return panButton; }
    int BeatsButtonIndex() const { return beatsButton; }
    int SliderIndex() const { return slider; }
    int SwitchIndex() const { return centreSwitch; }

    // One line per control: index, parameter, bounds, normalised value and
    // the value as the parameter displays it.
    std::string Listing() const;

private:
    std::unique_ptr<SampleCore> core;
    SampleSurface* surface = nullptr;
    int firstKnob = -1, panButton = -1, beatsButton = -1, slider = -1, centreSwitch = -1;
};

} // namespace tonewell::snapshot
