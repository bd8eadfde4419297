// A rectangle of the editor that paints itself and reacts to the pointer. It
// may be bound to one engine parameter, whose value it holds normalised
// (0..1). The graphics surface owns the controls, routes events and paints.
#pragma once

#include <cstdint>

#include "IBlend.h"
#include "IBounds.h"
#include "IMouseKeys.h"

class ICoreBase;
class IEngineParam;
class IGraphics;

class IControl {
public:
    IControl(ICoreBase* plug, const IBounds& bounds, int paramIndex = -1,
             const IBlend& blend = IBlend{});
    virtual ~IControl() = default;

    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // Pointer and key events; the defaults do nothing except where noted.
    // Right button: value entry for a bound control; left: forgets a popup.
    virtual void MouseDown(int x, int y, const IMouseKeys& keys);
    virtual void MouseUp(int x, int y, const IMouseKeys& keys);
    virtual void FileDropped(int x, int y, const char* path);
    virtual void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys);
    // Back to the default value, once the plug-in has given one.
    virtual void MouseDoubleClick(int x, int y, const IMouseKeys& keys);
    // Steps a bound control's value; delta in notches, positive away from the user.
    virtual void MouseWheel(int x, int y, const IMouseKeys& keys, double delta);
    virtual void KeyDown(int x, int y, int key);
    virtual void MouseOver(int x, int y, const IMouseKeys& keys);
    virtual void MouseOut();

    // Copies what Paint needs from state the audio thread may change (the
    // value, the blend, the parameter's texts) into fields only the window's
    // thread touches. The surface calls it under the plug-in lock just before
    // painting; overrides call the base first.
    virtual void Capture();
    // Draws the control through the surface's drawing operations; true when
    // painted. Runs without the plug-in lock: reads what Capture copied, never
    // the live value, blend or parameters.
    virtual bool Paint(IGraphics& graphics) = 0;

    // A value from the plug-in. The first one also becomes the default.
    virtual void SetValueFromHost(double v);
    // A value the user chose (text entry, popup): sent on to the plug-in.
    virtual void SetValueFromUser(double v);
    // The popup menu's answer; index -1 and an empty text when nothing was chosen.
    virtual void PopupChoice(const char* text, int index);
    virtual void SetHidden(bool hide);
    // A grayed control is drawn faintly and cannot be reached by the pointer.
    virtual void SetGrayed(bool gray);
    // Inclusive on all four sides of the hit box.
    virtual bool Contains(int x, int y) const;
    // Clamps the value and requests a repaint; with push, a bound control
    // also sends its value to the plug-in.
    virtual void MarkDirty(bool push);
    // After painting: a request raised meanwhile survives as the new dirty flag.
    virtual void MarkClean();
    virtual bool NeedsRedraw() const { return dirty; }

    // Opens text entry for a bound control's value, unless prompting is off.
    void PromptValueEntry();
    // The window ends text entry for this control, committed or cancelled.
    void EndValueEntry();
    // Opens the surface's choice list of the parameter's display texts over
    // the control, with the current value marked.
    void OpenPopupMenu(const IEngineParam& param);

    // The surface sets itself when it takes the control.
    void AttachTo(IGraphics* surface) { graphics = surface; }
    IGraphics* Graphics() const { return graphics; }
    ICoreBase* Plug() const { return plug; }

    double Value() const { return value; }
    void SetValue(double v) { value = v; }
    double DefaultValue() const { return defaultValue; }
    int ParamIndex() const { return paramIndex; }
    void SetParamIndex(int index) { paramIndex = index < 0 ? -1 : index; }
    bool IsBound() const { return paramIndex >= 0; }
    const IBounds& Bounds() const { return bounds; }
    const IBounds& HitBounds() const { return hitBounds; }
    void SetHitBounds(const IBounds& box) { hitBounds = box; }
    bool IsHidden() const { return hidden; }
    bool IsGrayed() const { return grayed; }
    bool IsDirty() const { return dirty; }
    bool RedrawAgain() const { return redrawAgain; }
    bool ValueEntryPending() const { return valueEntryPending; }
    void SetValueEntryPending(bool pending) { valueEntryPending = pending; }
    IControl* Parent() const { return parent; }
    void SetParent(IControl* owner) { parent = owner; }
    void SetClamp(double low, double high);
    void SetNoPrompt(bool off) { noPrompt = off; }
    bool NoPrompt() const { return noPrompt; }
    void SetDoubleClickAsClick(bool asClick) { doubleClickAsClick = asClick; }
    bool DoubleClickAsClick() const { return doubleClickAsClick; }
    const IBlend& Blend() const { return blend; }

protected:
    // For controls that light up under the pointer: repaints when the pointer
    // arrives (once) and whenever it leaves.
    void SetHover(bool& hover, bool over) {
        if (over && hover) return;
        hover = over;
        MarkDirty(false);
    }

    double value = 0.0;
    bool valueEntryPending = false;
    IControl* parent = nullptr;
    ICoreBase* plug;
    IBounds bounds;
    IBounds hitBounds;
    int32_t paramIndex;
    double defaultValue = -1.0; // negative until the plug-in sends a value
    double clampLow = 0.0, clampHigh = 1.0;
    bool dirty = true; // a new control paints at the first opportunity
    bool hidden = false;
    bool grayed = false;
    bool redrawAgain = false;
    bool noPrompt = false;
    bool doubleClickAsClick = false;
    IBlend blend;
    IGraphics* graphics = nullptr; // the owning surface, once added
    // The value and blend as the last Capture saw them.
    double drawnValue = 0.0;
    IBlend drawnBlend;
};
