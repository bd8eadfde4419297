// The editor's frequency display: names the brainwave band of the current
// beat and, in synthesizer mode, shows the sounding note's frequency. It
// follows the engine's values, so it asks to be redrawn whenever the texts
// they make differ from those it last drew.
#pragma once

#include "IControl.h"
#include "ITextStyle.h"

class CLS_TONEWELL;

class GRAPH : public IControl {
public:
    GRAPH(CLS_TONEWELL& plug, const IBounds& bounds);

    void Capture() override;
    bool Paint(IGraphics& graphics) override;
    // Called under the plug-in lock, as Capture is.
    bool NeedsRedraw() const override;

    // The band a beat frequency falls in; null for no beat (0 or less), an
    // empty text above the named bands.
    static const char* BandName(float beatHz);
    // The third line: the note's frequency in synthesizer mode, else "off".
    static void FormatNoteLine(bool synthesizer, float noteHz, char* out, size_t size);

private:
    static constexpr size_t kLineSize = 64;
    // The texts the engine's values make now.
    struct Texts {
        const char* band = nullptr;
        char noteLine[kLineSize] = {};
    };
    Texts Current() const;

    CLS_TONEWELL& tonewell;
    ITextStyle style;
    // The texts as the last Capture made them.
    Texts drawn;
};
