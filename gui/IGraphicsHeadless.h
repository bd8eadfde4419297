// A surface without a window: presenting copies into an off-screen "screen"
// bitmap, and the redraw timer is driven by calling Tick. Used where no window
// system is at hand, and by the tests on every platform.
#pragma once

#include <memory>

#include "IGraphics.h"
#include "RAST_MemBitmap.h"

class IGraphicsHeadless : public IGraphics {
public:
    IGraphicsHeadless(ICoreBase* plug, int width, int height, int fps = 0);

    bool PresentRegion(const IBounds& box) override;
    void Resize(int newWidth, int newHeight) override;
    // The window is only pretended: opening records that it is open.
    bool HasOpenWindow() const override { return open; }
    void OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;

    // One timer tick: runs the end-of-edit countdown, then paints and
    // presents the dirty part of the surface while the window is open.
    void Tick();

    // What has been presented so far (PixelWidth x PixelHeight, black until
    // then; cleared when the factor changes).
    const RAST_MemBitmap& Screen() const { return screen; }
    int PresentCount() const { return presentCount; }
    const IBounds& LastPresented() const { return lastPresented; }
    int Countdown() const { return paramChangeCountdown; }

protected:
    void ScaleFactorChanged() override;

private:
    void ClearScreen();

    RAST_MemBitmap screen;
    bool open = false;
    int presentCount = 0;
    IBounds lastPresented;
};
