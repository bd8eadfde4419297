// A knob whose face is an image turned with the value, inside a value arc of
// its own. When the image is the right half of a split image, that half is
// drawn still (the knob's body) and the left half, found in the image cache
// under the right half's id, is turned over it (the pointer).
#pragma once

#include "IImage.h"
#include "IKnobArc.h"

class IKnobArcImg : public IKnobArc {
public:
    // The knob part as for IKnobArc; the image turns through imgSweep degrees
    // and sits imgOffset pixels in from the bounds' top left, inside a band
    // from imgArcRadius to imgArcRadius + imgArcThickness.
    IKnobArcImg(ICoreBase* plug, int paramIndex, double centreX, double centreY,
                const ITextStyle& style, const IArgb& arcColour, float arcRadius,
                float arcThickness, int labelGap, int labelMode, int knobRadius, int sweep,
                double gearing, int direction, float hoverDim, const IImage& knobImage,
                int imgSweep, int imgOffset, float imgArcRadius, float imgArcThickness,
                float imgHoverDim);

    // The band and the turned image, then the base knob's text (its own arc
    // is switched off from the first paint on).
    bool Paint(IGraphics& graphics) override;

    // The image's angle for the current value (or the given one), radians
    // clockwise from upright.
    float ImageAngle() const;
    float ImageAngleAt(double position) const;
    const IImage& KnobImage() const { return knobImage; }

protected:
    IImage knobImage;
    int16_t imgSweep;
    int16_t imgOffset;
    float imgArcRadius, imgArcThickness;
    float imgHoverDim;
    IBlend imgBlend;
};
