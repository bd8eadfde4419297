// An image slider with a coloured bar under its handle: from the start of
// the track to the value, or, when centred, between the middle and the value.
#pragma once

#include "IArgb.h"
#include "ISliderImg.h"

class ISlider : public ISliderImg {
public:
    // The slider part as for ISliderImg. The bar is fillThickness pixels
    // across, centred on the track, and stops fillInset pixels short of the
    // track's start (its end, when vertical).
    ISlider(ICoreBase* plug, int paramIndex, const IBounds& bounds, const IImage& handle,
            const ITextStyle& style, const IArgb& fillColour, int length, int fillThickness,
            bool horizontal, int fillInset, bool centred, float hoverDim);

    // The bar, then the handle and text over it.
    bool Paint(IGraphics& graphics) override;

    // The bar for the control's value; the empty box when none is drawn.
    IBounds FillBar() const;
    bool Centred() const { return centred; }

protected:
    // The bar for a value.
    IBounds FillBarAt(double position) const;

    IArgb fillColour;
    int32_t fillThickness;
    int32_t fillInset;
    bool centred;
};
