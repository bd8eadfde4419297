#include "IGraphicsHeadless.h"

#include "ICoreBase.h"
#include "RAST_Blit.h"
#include "RAST_Primitives.h"
#include "RAST_SysBitmap.h"

IGraphicsHeadless::IGraphicsHeadless(ICoreBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps), screen(PixelWidth(), PixelHeight(), 4) {
    ClearScreen();
}

void IGraphicsHeadless::ClearScreen() {
    RAST_FillRectangle(&screen, 0, 0, screen.width(), screen.height(), 0, 1.0f, RAST_MODE_COPY);
}

bool IGraphicsHeadless::PresentRegion(const IBounds& box) {
    if (!drawBitmap) return false;
    ++presentCount;
    lastPresented = box;
    const IBounds clip = box.Intersect(IBounds{0, 0, PixelWidth(), PixelHeight()});
    if (clip.IsEmpty()) return true;
    RAST_BlitArea(&screen, drawBitmap.get(), clip.left, clip.top, clip.left, clip.top, clip.W(),
                  clip.H(), 1.0f, RAST_MODE_COPY);
    return true;
}

void IGraphicsHeadless::Resize(int newWidth, int newHeight) {
    IGraphics::Resize(newWidth, newHeight);
    screen.resize(PixelWidth(), PixelHeight());
    ClearScreen();
}

void IGraphicsHeadless::ScaleFactorChanged() {
    screen.resize(PixelWidth(), PixelHeight());
    ClearScreen();
}

void IGraphicsHeadless::OpenEditorWindow(void*) {
    open = true;
}

void IGraphicsHeadless::CloseEditorWindow() {
    open = false;
    // A wheel edit still waiting for its end is ended now: no timer will.
    if (paramChangeCountdown != 0 && plug) plug->EndPendingHostEdit();
    paramChangeCountdown = 0;
}

void IGraphicsHeadless::Tick() {
    {
        EventScope scope(*this);
        CountDownParamChange();
        if (!open) return;
    }
    // Outside the scope: the paint takes the lock only while values are captured.
    PaintDirty(IBounds{});
}
