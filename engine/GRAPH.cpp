#include "GRAPH.h"

#include <cstdio>
#include <cstring>

#include "CLS_TONEWELL.h"
#include "IGraphics.h"

namespace {
// Lines 3 and 4 overlap and reach below the control: the surface clips them
// to the region it paints.
constexpr IBounds kBandBox{246, 125, 348, 143};
constexpr IBounds kCaptionBox{246, 168, 331, 186};
constexpr IBounds kNoteBox{246, 182, 331, 200};

struct Band {
    float below;
    const char* name;
};
constexpr Band kBands[] = {{0.5f, "EPSILON"}, {4.0f, "DELTA"},  {8.0f, "THETA"},   {14.0f, "ALPHA"},
                           {30.0f, "BETA"},   {60.0f, "GAMMA"}, {200.0f, "LAMBDA"}};
} // namespace

GRAPH::GRAPH(CLS_TONEWELL& plug, const IBounds& bounds)
    : IControl(&plug, bounds), tonewell(plug),
      style("Arial", 15, IArgb{200, 255, 255, 255}, 0, ITextStyle::kCentre) {}

const char* GRAPH::BandName(float beatHz) {
    // NaN is no beat either.
    if (!(beatHz > 0.0f)) return nullptr;
    for (const Band& band : kBands)
        if (beatHz < band.below) return band.name;
    return "";
}

void GRAPH::FormatNoteLine(bool synthesizer, float noteHz, char* out, size_t size) {
    if (synthesizer)
        std::snprintf(out, size, "%.2f Hz", static_cast<double>(noteHz));
    else
        std::snprintf(out, size, "off");
}

GRAPH::Texts GRAPH::Current() const {
    Texts texts;
    const EngineState& state = tonewell.State();
    texts.band = BandName(state.beatHz);
    const IEngineParam* mode = tonewell.GetParam(ParamMode);
    FormatNoteLine(mode && mode->ToNormalized() > 0.5, state.noteHz, texts.noteLine,
                   sizeof texts.noteLine);
    return texts;
}

bool GRAPH::NeedsRedraw() const {
    if (IControl::NeedsRedraw()) return true;
    const Texts now = Current();
    return now.band != drawn.band || std::strcmp(now.noteLine, drawn.noteLine) != 0;
}

void GRAPH::Capture() {
    IControl::Capture();
    drawn = Current();
}

bool GRAPH::Paint(IGraphics& graphics) {
    if (drawn.band) graphics.DrawText(style, drawn.band, kBandBox);
    graphics.DrawText(style, "freq by note", kCaptionBox);
    graphics.DrawText(style, drawn.noteLine, kNoteBox);
    return true;
}
