#pragma once

#include <functional>

// What the plug-in core needs from an attached editor surface. The graphics
// surface implements it; the core owns the attached surface.
class IEditorSurface {
public:
    virtual ~IEditorSurface() = default;

    // Hands a parameter value to every control bound to the parameter.
    virtual void PushParamToControls(int paramIndex, double value, bool isNormalized) = 0;
    // Creates the drawing bitmaps; called once when the surface is attached.
    virtual void PrepareDrawing() = 0;
    // Hides or shows every control bound to the parameter.
    virtual void HideParamControls(int paramIndex, bool hide) = 0;

    // Size in pixels and repaint rate of the editor.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int FrameRate() const = 0;
    // Display scale: the editor lays out at Width() x Height() and draws at
    // PixelWidth() x PixelHeight(), each the layout size times the factor,
    // rounded half up. A factor outside 1..4, or not finite, is refused
    // (false) and changes nothing; setting the current factor again is true.
    virtual bool SetScaleFactor(double factor) { return factor == 1.0; }
    virtual double ScaleFactor() const { return 1.0; }
    virtual int PixelWidth() const { return Width(); }
    virtual int PixelHeight() const { return Height(); }
    // The display scale that the platform reports for the open window (on
    // Windows its DPI over 96), or 0 where the platform says nothing. While
    // the window is open, a change of it is told to the listener (which may
    // set the factor then); an empty listener hears nothing.
    virtual double SystemScaleFactor() const { return 0.0; }
    virtual void SetSystemScaleListener(std::function<void(double)> listener) { (void)listener; }
    // Opens the editor's window as a child of the host's window, or closes it.
    virtual void OpenEditorWindow(void* parent) = 0;
    virtual void CloseEditorWindow() = 0;
    // Timer ticks until the core ends a pending host edit; stopping cancels.
    virtual void StartParamChangeCountdown(int ticks) = 0;
    virtual void StopParamChangeCountdown() = 0;

    // For a window that the host's run loop drives (where the platform has
    // no timers or message dispatch of its own): the file descriptor to watch
    // while the window is open (-1 when there is none, or it broke), the
    // timer period in milliseconds, and what to call when the descriptor is
    // readable and when the timer fires. Windows that run their own loop
    // keep these defaults.
    virtual int EventDescriptor() const { return -1; }
    virtual int TimerPeriodMs() const {
        const int rate = FrameRate() > 0 ? FrameRate() : 24;
        return static_cast<int>(1000.0 / rate);
    }
    virtual void HandlePendingEvents() {}
    virtual void OnTimer() {}
};
