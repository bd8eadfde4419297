// The platform-neutral editor surface: a fixed-size drawing area that owns the
// ordered list of controls (index 0 is the background, list order is z-order),
// paints the dirty ones into an off-screen bitmap and presents it, finds the
// control under the pointer, and carries values between controls and the
// plug-in's parameters. A platform subclass supplies the window.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "IArgb.h"
#include "IBounds.h"
#include "IControl.h"
#include "IEditorSurface.h"
#include "IImage.h"
#include "ITextStyle.h"
#include "PluginLock.h"

// windows.h names a macro DrawText; the surface's operation keeps the name.
#ifdef DrawText
#undef DrawText
#endif

class ICoreBase;
class IEngineParam;
class RAST_IBitmap;
class RAST_MemBitmap;
class RAST_SysBitmap;

class IGraphics : public IEditorSurface {
public:
    // The look of the parameter popup menu.
    struct PopupStyle {
        ITextStyle text{"Arial", 15, IArgb{200, 255, 255, 255}};
        IArgb background{245, 50, 50, 50};
        IArgb highlight{75, 200, 200, 200};
    };

    static constexpr int kDefaultFps = 24;

    // fps of 0 or less gives the default rate; negative sizes count as 0.
    IGraphics(ICoreBase* plug, int width, int height, int fps = 0);
    ~IGraphics() override;

    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;

    // What the plug-in core calls.
    void PushParamToControls(int paramIndex, double value, bool isNormalized) override;
    void PrepareDrawing() override;
    void HideParamControls(int paramIndex, bool hide) override;
    int Width() const override { return width; }
    int Height() const override { return height; }
    int FrameRate() const override { return fps; }
    static constexpr double kMinScaleFactor = 1.0;
    static constexpr double kMaxScaleFactor = 4.0;
    // A new factor ends or cancels a drag, a wheel edit, an open value entry
    // or popup (every host edit closed), resizes the draw bitmap, repaints
    // everything and lets the window follow (ScaleFactorChanged).
    bool SetScaleFactor(double factor) override;
    double ScaleFactor() const override { return scaleFactor; }
    int PixelWidth() const override;
    int PixelHeight() const override;
    // A layout length or coordinate in pixels at the current factor, rounded
    // half up (saturated).
    int ToPixels(int layoutLength) const;
    // A box in pixels: each edge mapped by ToPixels, so neighbouring boxes
    // stay neighbours and a box's pixels are exactly those whose layout
    // coordinate (ToLayout) lies inside it.
    IBounds ToPixels(const IBounds& layout) const;
    // The layout coordinate of a pixel: the x with ToPixels(x) <= pixel <
    // ToPixels(x + 1). A move by n x factor pixels (a whole number of them)
    // moves it by exactly n.
    int ToLayout(int pixel) const;
    // The pixels a control covers (its layout bounds mapped), or the empty box.
    IBounds ControlPixelBounds(int index) const;
    // A style's font height in pixels at the current factor.
    int FontPixelSize(int layoutSize) const;
    // Scaled image bitmaps held for the current factor (none at factor 1).
    int ScaledImageCount() const { return static_cast<int>(scaledImages.size()); }

    // Control list. The surface takes ownership; returns the new index, or -1
    // for a null control.
    int AddControl(std::unique_ptr<IControl> control);
    int NumControls() const { return static_cast<int>(controls.size()); }
    // Null outside the list.
    IControl* GetControl(int index) const;
    // The image with the given resource id, loaded once per process. When it
    // cannot be loaded the image has no bitmap and a size of 0 x 0.
    IImage GetImage(int id, int frames = 1);
    // Puts the image as an unbound, single-frame background under every other
    // control (at index 0) and returns it.
    IControl* AddBackground(int id);
    // Cuts an image at fraction of its width: returns the left piece and
    // replaces image by the right one. A missing image or a fraction outside
    // 0..1 returns an image without bitmap and leaves image as it was.
    IImage SplitImage(IImage& image, double fraction);

    // Repaints everything on the next paint by dirtying the background.
    void RedrawAll();

    // Drawing operations for the controls' Paint, into the draw bitmap. They
    // take layout coordinates and draw at the scale factor: boxes map edge by
    // edge (ToPixels), lines and arcs are factor pixels wide, radii and corners
    // scale, text is set at the scaled font size, and images come from their
    // 2x or 3x set when there is one, resampled to size. A missing image or
    // bitmap, or a box outside the clip, draws nothing.
    // Copies the part of the image under dest (clipped to DrawBounds),
    // starting at (srcX, srcY) of the image (at a scale, of its frames
    // resampled as stacked ones).
    bool DrawImage(const IImage& image, const IBounds& dest, int srcX, int srcY,
                   const IBlend* blend = nullptr);
    // One frame (1-based) of a strip whose frames are stacked or side by side.
    bool DrawImageFrame(const IImage& image, const IBounds& dest, int frame,
                        const IBlend* blend = nullptr, bool stacked = true);
    // Solid box, clipped to DrawBounds, at the blend's weight.
    bool FillBox(const IArgb& colour, const IBounds& box, const IBlend* blend = nullptr);
    // Lines and arcs take their opacity from the colour; the blend gives the mode.
    bool DrawLine(const IArgb& colour, float x1, float y1, float x2, float y2,
                  const IBlend* blend = nullptr, bool antialias = true);
    // Angles in radians, 0 straight up, clockwise.
    bool DrawArc(const IArgb& colour, float cx, float cy, float radius, float startAngle,
                 float endAngle, const IBlend* blend = nullptr, bool antialias = true);
    // The whole image turned by angle (radians, clockwise) about its centre,
    // placed centred on (centreX, centreY), sampled from (srcX, srcY) with
    // filtering, at the blend's weight. Not clipped to DrawBounds.
    bool DrawImageRotated(const IImage& image, int centreX, int centreY, float angle,
                          const IBlend* blend = nullptr, float srcX = 0.0f, float srcY = 0.0f);
    // Outline of a box with rounded corners, at the colour's opacity.
    bool DrawRoundBox(const IArgb& colour, const IBounds& box, int cornerRadius,
                      const IBlend* blend = nullptr, bool antialias = true);
    // Which corners FillRoundBox rounds.
    enum Corners : int { kAllCorners = 4, kTopCorners = 2, kBottomCorners = -2 };
    // Filled box with rounded corners: its body at the blend's weight, its
    // corner discs at the colour's opacity. Other corner values draw nothing.
    bool FillRoundBox(const IArgb& colour, const IBounds& box, int cornerRadius,
                      int corners = kAllCorners, const IBlend* blend = nullptr,
                      bool antialias = true);
    // UTF-8 text in box with the style's font, colour and alignment. The
    // style's font is made on first use; false when it cannot be made.
    bool DrawText(ITextStyle& style, const char* text, const IBounds& box);
    // A band of concentric one-pixel arcs 0.3 pixels apart from radius inner up
    // to (not including) outer, so thick that it looks solid; at a scale the
    // radii scale and the spacing stays 0.3 pixels, filling the same band.
    void DrawArcBand(const IArgb& colour, float cx, float cy, float inner, float outer,
                     float startAngle, float endAngle, const IBlend& blend);

    // Pointer and key events from the window, in pixels of the draw bitmap
    // (converted to layout coordinates by ToLayout before any control sees
    // them). A
    // pressed control captures the pointer until the button is released, and
    // edits of bound controls are bracketed by begin and end edit to the host.
    // Events and the other operations on the controls from the window's
    // thread hold the plug-in lock, under which the audio thread pushes
    // values to the controls; painting holds it only to capture them.
    void MouseDownAt(int x, int y, const IMouseKeys& keys);
    void MouseUpAt(int x, int y, const IMouseKeys& keys);
    void MouseDragTo(int x, int y, const IMouseKeys& keys);
    // True when the window must capture the pointer (a double click taken as a press).
    bool MouseDoubleClickAt(int x, int y, const IMouseKeys& keys);
    void MouseWheelAt(int x, int y, const IMouseKeys& keys, double delta);
    // True when the window should track the pointer (mouse-over is wanted).
    bool MouseOverAt(int x, int y, const IMouseKeys& keys);
    void MouseLeft();
    void KeyDownAt(int x, int y, int key);

    // Index of the control that receives a pointer event at pixel (x, y): the
    // captured control, else the topmost visible, enabled one containing it; -1 for none.
    int FindControlAt(int x, int y) const;
    // Paints the controls whose pixel bounds overlap box (pixels), marks every
    // control clean and presents. The plug-in lock is held only while the
    // controls capture their values, not while they draw: call it outside any
    // event scope.
    bool PaintRegion(const IBounds& box);
    // Paints what needs it: each dirty control's pixel box on its own (boxes
    // that overlap become their union) and extra (pixels; may be empty), and
    // presents each box. The dirty controls are found, and the painted ones
    // capture their values, in one hold of the plug-in lock, so a control
    // that the audio thread makes dirty later stays dirty for the next
    // paint. Call it outside any event scope. False when nothing needed it.
    bool PaintDirty(const IBounds& extra);
    // Union of the pixel bounds of every dirty control; false when none is dirty.
    bool CollectDirty(IBounds& out) const;

    // The popup marker: set while a popup menu is open, and after one was
    // dismissed by a click elsewhere until the next click of a control.
    bool PopupMarkerSet() const { return popupMarker != PopupMarker::None; }
    void ForgetPopup();
    // Makes a control already in the list the open popup menu; ignored otherwise.
    void SetOpenPopup(IControl* popup);
    // The open popup menu, or null (also while only the dismissal marker is set).
    IControl* OpenPopup() const { return popupMarker == PopupMarker::Open ? openPopup : nullptr; }
    // Removes and deletes the open popup. Closed without a choice, its owner
    // hears so and the dismissal marker stays set; everything repaints.
    void ClosePopup(bool chosen);
    // The open popup had an item chosen (its owner has the value): releases
    // the pointer and closes the popup, which deletes it. The button release
    // that ends the choosing press goes to no control.
    void PopupItemChosen();

    // Runs action once the event in progress has given up the plug-in lock
    // (at once outside an event): for what may take long or wait for the
    // user, such as opening a link.
    void AfterEvent(std::function<void()> action);

    ICoreBase* Plug() const { return plug; }
    const PopupStyle& GetPopupStyle() const { return popupStyle; }
    void SetPopupStyle(const PopupStyle& style) { popupStyle = style; }
    bool HandlesMouseOver() const { return handleMouseOver; }
    void SetHandleMouseOver(bool handle) { handleMouseOver = handle; }
    int MouseOverIndex() const { return mouseOverIndex; }
    int MouseCapture() const { return mouseCapture; }
    // The clip of every drawing operation while painting, in pixels: the box
    // being painted.
    const IBounds& DrawBounds() const { return drawBounds; }
    // Null until PrepareDrawing.
    RAST_IBitmap* DrawBitmap() const;

    // Window operations, implemented by the platform's window.
    // Copies a box (pixels) of the draw bitmap to the screen.
    virtual bool PresentRegion(const IBounds& box) = 0;
    // Takes a new size and drops every control (the layout builds anew).
    virtual void Resize(int newWidth, int newHeight);
    virtual bool HasOpenWindow() const { return WindowHandle() != nullptr; }
    // Text entry or a choice list for a parameter over the control.
    virtual void PromptParamEntry(IControl* control, const IEngineParam* param, bool centred);
    // Folders of the host executable and of the plug-in module; false when unknown.
    virtual bool HostDirectory(std::string& out);
    virtual bool ModuleDirectory(std::string& out);
    // System dialogs; false when cancelled or unavailable.
    virtual bool AskForFile(std::string& path, int action, const char* initialDir,
                            const char* extensions);
    virtual bool AskForColour(IArgb& colour, const char* title);
    virtual bool OpenLink(const char* url, const char* title, const char* confirmText,
                          const char* errorText);
    // A wheel event delivered by the host instead of the window; true when
    // the pointer was over the editor and the notches went to its control.
    virtual bool WheelFromHost(double delta);
    // At least one tick, so a requested end of edit is always sent.
    void StartParamChangeCountdown(int ticks) override;
    void StopParamChangeCountdown() override;
    virtual void* WindowHandle() const { return nullptr; }
    // A new bitmap holding the image resource, or null when it cannot be loaded.
    virtual std::unique_ptr<RAST_IBitmap> LoadImageResource(int id);

protected:
    // The plug-in lock for one event or paint; actions queued by AfterEvent
    // run when the outermost scope ends, after the lock is released.
    class EventScope {
    public:
        explicit EventScope(const IGraphics& graphics);
        ~EventScope();
        EventScope(const EventScope&) = delete;
        EventScope& operator=(const EventScope&) = delete;

    private:
        const IGraphics& graphics;
        PluginLock::OptionalHolder hold;
    };

    enum class PopupMarker { None, Open, Dismissed };

    // What a window's value entry asks the next timer tick to do.
    enum EntryState : int32_t {
        kEntryIdle = 0,
        kEntryTyping = 1,
        kEntryCancel = 2,
        kEntryCommit = 3
    };

    // One timer tick of the delayed end of a wheel edit: at 0 the core ends it.
    void CountDownParamChange();
    // The window takes the new pixel size and repaints; called after the
    // surface has taken the factor, outside any event scope.
    virtual void ScaleFactorChanged() {}

    // Before a window goes: with tellCore, ends through the core the edits it
    // would leave open (a wheel edit waiting for its end, a held press) and
    // cancels an open entry without sending anything. The countdown stops
    // either way. Holds the plug-in lock.
    void SettleEditsOfClosingWindow(bool tellCore);

    PopupStyle popupStyle;
    bool handleMouseOver = false;
    int mouseOverIndex = -1;
    PopupMarker popupMarker = PopupMarker::None;
    IControl* openPopup = nullptr; // in the list while popupMarker is Open
    std::vector<std::unique_ptr<IControl>> controls;
    // The boxes and the controls the paint in progress draws, kept to reuse
    // their memory.
    std::vector<IBounds> paintBoxes;
    std::vector<IControl*> painting;
    ICoreBase* plug;
    IBounds drawBounds;
    std::unique_ptr<RAST_SysBitmap> drawBitmap;
    std::unique_ptr<RAST_MemBitmap> scratchBitmap;
    int width, height;
    int fps;
    double scaleFactor = 1.0;
    int nextSyntheticId = -1;
    // Right pieces of split images, which the cache does not hold.
    std::vector<std::unique_ptr<RAST_IBitmap>> splitPieces;
    int mouseCapture = -1;
    int lastMouseX = -1, lastMouseY = -1;
    // Nesting of event scopes, and the actions waiting for the outermost to end.
    mutable int eventDepth = 0;
    mutable std::vector<std::function<void()>> afterEvent;
    // Set when a press chose a popup item; its release must not reach the
    // control that now lies under the pointer, which saw no press.
    bool dropNextRelease = false;
    // A window's value entry: the control and parameter it edits.
    IControl* entryControl = nullptr;
    const IEngineParam* entryParam = nullptr;
    int32_t entryState = kEntryIdle;
    // Ticks until a wheel edit's delayed end is sent; 0 when none waits.
    int32_t paramChangeCountdown = 0;

private:
    // Where an image's bitmap comes from: the resource id of the strip it is
    // (or was split from), the strip's bitmap and the piece's left edge in it.
    struct ImageOrigin {
        int id = 0;
        const RAST_IBitmap* root = nullptr;
        int rootWidth = 0, rootHeight = 0;
        int left = 0;
    };
    // An image redrawn for the current factor; frames are each resampled to
    // frameWidth x frameHeight and laid out as in the strip.
    struct ScaledImage {
        std::unique_ptr<RAST_MemBitmap> bitmap;
        int frameWidth = 0, frameHeight = 0;
    };
    using ScaledKey = std::pair<const RAST_IBitmap*, int>; // bitmap, frames x +-1 (stacked)

    // Deleted last to first, so later controls never outlive the earlier ones.
    void DeleteControls();
    // Paints box alone, or (dirty) box and each dirty control's box; false
    // when there was nothing to paint. presented turns false when a box
    // could not be presented.
    bool Paint(const IBounds& box, bool dirty, bool& presented);
    // Adds a box to paint, merged with every box it overlaps.
    void AddPaintBox(IBounds box);
    // The event handlers in layout coordinates.
    int FindControlAtLayout(int x, int y) const;
    void MouseUpInLayout(int x, int y, const IMouseKeys& keys);
    // Drawing in pixels, under the layout operations.
    void FillPixelBox(const IArgb& colour, const IBounds& box, const IBlend* blend);
    void DrawPixelRoundBox(const IArgb& colour, const IBounds& box, int r, const IBlend* blend,
                           bool antialias);
    const ScaledImage* ScaledFor(const IImage& image, bool stacked);
    // The w columns of image from x on, as a bitmap of their own.
    static std::unique_ptr<RAST_IBitmap> CutPiece(const IImage& image, int x, int w);
    std::unique_ptr<RAST_MemBitmap> BuildScaled(const IImage& image, bool stacked, int frameW,
                                                int frameH);
    const RAST_IBitmap* ImageSet(int id, const RAST_IBitmap* base, int& setScale);
    // Line width in pixels at the current factor (1 at factor 1).
    int LineWidth() const;

    std::map<const RAST_IBitmap*, ImageOrigin> imageOrigins;
    std::map<ScaledKey, ScaledImage> scaledImages;
    // 2x and 3x sets that could not be loaded, not tried again.
    std::set<int> missingSets;
    void ReleaseCapture();
    void ClosePopupOnPress(const IControl& control);
    int IndexOf(const IControl* control) const;
};
