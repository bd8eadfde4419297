#pragma once

#include <cmath>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"

// Pointer buttons and modifiers.
inline const IMouseKeys kLeftButton{1, 0, 0, 0, 0};
inline const IMouseKeys kRightButton{0, 1, 0, 0, 0};
inline const IMouseKeys kFineDrag{1, 0, 0, 1, 0};

// An image of one opaque colour, or transparent with an opaque marker box.
struct TestImage {
    TestImage(int w, int h, Pixel colour) : bitmap(w, h) {
        RAST_FillRectangle(&bitmap, 0, 0, w, h, colour, 1.0f, RAST_MODE_COPY);
        image = IImage{&bitmap, w, h, 1, 0};
    }
    void Mark(const IBounds& box, Pixel colour) {
        RAST_FillRectangle(&bitmap, box.left, box.top, box.W(), box.H(), colour, 1.0f,
                           RAST_MODE_COPY);
    }
    RAST_MemBitmap bitmap;
    IImage image;
};

// A surface fixture with an opaque black background under the controls, so
// every paint starts from black; Show paints what is dirty onto the screen.
class PaintedFixture : public SurfaceFixture {
public:
    PaintedFixture() {
        Add<SolidControl>(IBounds{0, 0, kWidth, kHeight}, -1, RAST_MakePixel(255, 0, 0, 0));
    }
    void Show() {
        if (!surface->HasOpenWindow()) surface->OpenEditorWindow(nullptr);
        surface->Tick();
    }
    Pixel ScreenAt(int x, int y) const { return RAST_RowPointer(&surface->Screen(), y)[x]; }
    Pixel DrawnAt(int x, int y) const { return RAST_RowPointer(surface->DrawBitmap(), y)[x]; }
    // Pixels of the draw bitmap in box whose channel (16 red, 8 green, 0 blue) exceeds 100.
    int Lit(const IBounds& box, int shift = 16) const {
        const IBounds clip = box.Intersect(IBounds{0, 0, kWidth, kHeight});
        int count = 0;
        for (int y = clip.top; y < clip.bottom; ++y)
            for (int x = clip.left; x < clip.right; ++x)
                if (((DrawnAt(x, y) >> shift) & 0xFF) > 100) ++count;
        return count;
    }
};

inline int Channel(Pixel p, int shift) {
    return int((p >> shift) & 0xFF);
}
