// The editor's frequency display: names the brainwave band of the current
// beat and, in synthesizer mode, shows the sounding note's frequency. It takes
// the engine's values at every paint, so it is always redrawn.
#pragma once

#include "IControl.h"
#include "ITextStyle.h"

class CLS_TONEWELL;

class GRAPH : public IControl {
public:
    GRAPH(CLS_TONEWELL& plug, const IBounds& bounds);

    void Capture() override;
    bool Paint(IGraphics& graphics) override;
    bool NeedsRedraw() const override { return true; }

    // The band a beat frequency falls in; null for no beat (0 or less), an
    // empty text above the named bands.
    static const char* BandName(float beatHz);
    // The third line: the note's frequency in synthesizer mode, else "off".
    static void FormatNoteLine(bool synthesizer, float noteHz, char* out, size_t size);

private:
    CLS_TONEWELL& tonewell;
    ITextStyle style;
    // The engine's values as the last Capture saw them.
    float beatHz = 0.0f;
    float noteHz = 0.0f;
    bool synthesizer = false;
};
