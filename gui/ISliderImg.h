// A slider whose handle is an image moving along a track. Pressing on the
// track puts the handle's centre under the pointer and dragging moves it;
// the handle shows the parameter's own value. With pointer tracking on, the
// handle is dimmed until the pointer is over the slider.
#pragma once

#include <string>

#include "IControl.h"
#include "IImage.h"
#include "ITextStyle.h"

class ISliderImg : public IControl {
public:
    // The track is length pixels long, centred across bounds when vertical
    // and along it when horizontal, starting at bounds.top; the handle moves
    // length minus its own size. A track shorter than the handle has no
    // travel, and the slider then ignores the pointer.
    ISliderImg(ICoreBase* plug, int paramIndex, const IBounds& bounds, const IImage& handle,
               const ITextStyle& style, int length, bool horizontal, float hoverDim);

    // Left button inside the track: starts a drag there. Right button: the
    // default value entry.
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseUp(int x, int y, const IMouseKeys& keys) override;
    void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;
    void MouseOver(int x, int y, const IMouseKeys& keys) override;
    void MouseOut() override;
    void Capture() override;
    bool Paint(IGraphics& graphics) override;

    // Where the handle is drawn for the bound parameter's value.
    IBounds HandleBox() const;
    const IBounds& Track() const { return track; }
    int Travel() const { return travel; }
    bool Vertical() const { return vertical; }
    bool Dragging() const { return dragging; }
    bool Hovered() const { return hover; }

protected:
    // The handle's travel for drawing: never negative.
    int DrawnTravel() const { return travel > 0 ? travel : 0; }
    // Where the handle is drawn for a normalised position.
    IBounds HandleBoxAt(double position) const;

    ITextStyle style;
    IBounds track;
    IImage handle;
    int32_t length;
    int32_t travel;
    bool vertical;
    bool hover = false;
    bool dragging = false;
    float hoverDim;
    std::string drawnLabel;
    double drawnPosition = 0.0; // the parameter's, as the last Capture saw it

private:
    static IBounds TrackBox(const IBounds& bounds, const IImage& handle, int length, bool vertical);
    // The value with the handle's centre at the pointer, sent on.
    void FollowPointer(int x, int y);
};
