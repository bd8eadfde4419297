#pragma once

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
};
