// A knob drawn by code: its value as a coloured arc band around the knob's
// centre, and its value text in one of several label layouts. A right click
// opens text entry for the value; the text is hidden while that entry is open.
#pragma once

#include <cstdint>
#include <string>

#include "IArgb.h"
#include "IKnobControl.h"
#include "ITextStyle.h"

class IEngineParam;

class IKnobArc : public IKnobControl {
public:
    // Where the value text goes.
    enum LabelMode : int16_t {
        kNoLabel = 0,
        kValueAndUnit = 1,  // value and unit, labelGap below the middle
        kValueOverUnit = 2, // value just above the middle, the unit labelGap below it
        kUnitBeside = 3,    // value in the middle, the unit to the right of the knob
        kValueOnly = 4,     // value alone, labelGap below the middle
        kUnderneath = 5,    // value and unit under the knob (the bounds grow for it)
    };

    // The knob around (centreX, centreY): a knob face of knobRadius inside a
    // band from arcRadius to arcRadius + arcThickness, spanning sweep degrees
    // and centred straight up.
    IKnobArc(ICoreBase* plug, int paramIndex, double centreX, double centreY,
             const ITextStyle& style, const IArgb& arcColour, float arcRadius, float arcThickness,
             int labelGap, int labelMode, int knobRadius, int sweep, double gearing, int direction,
             float hoverDim);

    // Right button: text entry for the value (unless one is already open);
    // either button then sends the value.
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseOver(int x, int y, const IMouseKeys& keys) override;
    void MouseOut() override;
    void Capture() override;
    bool Paint(IGraphics& graphics) override;

    bool EntryOpen() const { return entryOpen; }
    bool Hovered() const { return hover; }
    bool DrawsArc() const { return drawArc; }
    const IBounds& LastTextBox() const { return lastTextBox; }

protected:
    // Draws a band of concentric one-pixel arcs, 0.3 px apart, from radius
    // inner up to (not including) outer.
    static void DrawArcBand(IGraphics& graphics, const IArgb& colour, float cx, float cy,
                            float inner, float outer, float startAngle, float endAngle,
                            const IBlend& blend);

    ITextStyle style;
    IArgb arcColour;
    bool entryOpen = false;
    bool drawArc = true;
    bool hover = false;
    int16_t labelMode;
    int16_t sweep;
    int16_t labelGap;
    int16_t knobRadius;
    float arcRadius, arcThickness;
    float hoverDim;
    IBounds lastTextBox;
    // The parameter's display text and unit, as the last Capture saw them.
    std::string drawnText, drawnUnit;

private:
    static IBounds KnobBounds(double centreX, double centreY, const ITextStyle& style,
                              float arcRadius, float arcThickness, int labelGap, int labelMode,
                              int knobRadius);
    void PaintText(IGraphics& graphics);
    void DrawLabel(IGraphics& graphics, const char* text, const IBounds& box);
};
