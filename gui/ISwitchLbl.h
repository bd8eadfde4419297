// A switch that steps through the frames of an image strip on each left
// click and prints its value text under the image. The image is centred in a
// slot of fixed width, so that frames of any width line up with a caption.
#pragma once

#include <string>

#include "IControl.h"
#include "IImage.h"
#include "ITextStyle.h"

class ISwitchLbl : public IControl {
public:
    // At (x, y): slotWidth wide (a slotWidth of 0 or less means no slot: the
    // control is one frame wide and the frame sits at its left), the image's
    // height plus one text line of the style's size. Frames side by side.
    ISwitchLbl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
               const ITextStyle& style, int slotWidth, const IBlend& blend, float hoverDim);

    // Left button: the next frame's value, from the last back to the first.
    // Right button: the default value entry.
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseOver(int x, int y, const IMouseKeys& keys) override;
    void MouseOut() override;
    void Capture() override;
    bool Paint(IGraphics& graphics) override;

    // The 1-based frame the current value shows.
    int Frame() const;
    // Where the current frame is drawn.
    IBounds FrameBox() const;
    void SetStacked(bool frameStacked) { stacked = frameStacked; }
    bool Hovered() const { return hover; }

protected:
    ITextStyle style;
    IImage image;
    int32_t slotWidth;
    bool stacked = false;
    bool hover = false;
    float hoverDim;
    std::string drawnLabel;

private:
    int FrameAt(double v) const;
    // Width and height of one frame.
    int FrameWidth() const;
    int FrameHeight() const;
};
