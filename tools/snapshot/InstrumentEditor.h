// The instrument's real editor without a window: the plug-in itself, set up
// as a host would (every parameter announced, so the layout of its mode is
// shown), on a headless surface whose images come from the program's own
// resources. What the snapshot tool shows and what the GUI benchmark paints.
#pragma once

#include <memory>
#include <string>

#include "CLS_TONEWELL.h"
#include "IGraphicsHeadless.h"

namespace tonewell::snapshot {

class InstrumentEditor {
public:
    InstrumentEditor();
    ~InstrumentEditor();

    InstrumentEditor(const InstrumentEditor&) = delete;
    InstrumentEditor& operator=(const InstrumentEditor&) = delete;

    CLS_TONEWELL& Plug() const { return *plug; }
    // Owned by the plug-in.
    IGraphicsHeadless& Surface() const { return *surface; }

    // Recalls a program as the host's program list does; false outside the list.
    bool SelectProgram(int index);
    // Sets a parameter as a host edit does: value, engine and controls.
    void SetParameter(int index, double normalized);
    // A note on (velocity 1..127) or off (velocity 0), as the host's note events.
    void PlayNote(int note, int velocity);

    // The index of the first control bound to the parameter, or -1.
    int ControlOf(int paramIndex) const;
    // One line per control: index, parameter, bounds, normalised value and
    // the value as the parameter displays it.
    std::string Listing() const;

private:
    std::unique_ptr<CLS_TONEWELL> plug;
    IGraphicsHeadless* surface = nullptr;
};

} // namespace tonewell::snapshot
