// An on/off button: a left click toggles it. It shows the first frame of its
// image at full opacity when on and nothing when off; under the pointer the
// image is dimmed (on) or faintly shown (off).
#pragma once

#include "IControl.h"
#include "IImage.h"

class IButton : public IControl {
public:
    // At (x, y), one frame of the stacked strip in size. hoverDim is the
    // opacity of the hovered off state (the hovered on state shows 1 - hoverDim).
    IButton(ICoreBase* plug, int paramIndex, int x, int y, const IImage& image, float hoverDim);

    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseOver(int x, int y, const IMouseKeys& keys) override;
    void MouseOut() override;
    bool Paint(IGraphics& graphics) override;

    bool Hovered() const { return hover; }
    float HoverDim() const { return hoverDim; }
    const IImage& Image() const { return image; }

protected:
    IImage image;
    bool hover = false;
    float hoverDim;
};
