#pragma once

#include <memory>

#include "ViewRunLoop.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

class ICoreVST3;

// The host's window on the plug-in's editor: forwards opening, closing and
// size queries to the plug-in's editor surface, which it neither creates nor
// destroys. Holds a counted reference to the plug-in so the plug-in
// outlives its views. The editor's size follows the display scale that the
// host sets; where the host sets none, the scale the platform reports for
// the window (Windows DPI).
class ICoreVST3View : public Steinberg::CPluginView,
                      public Steinberg::IPlugViewContentScaleSupport {
public:
    // Rounds of asking the host for a new size within one call; a host that
    // sets another factor from inside resizeView each time ends there.
    static constexpr int kMaxResizeRounds = 3;

    explicit ICoreVST3View(ICoreVST3& plug);
    ~ICoreVST3View() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;

    // Factors outside 1..4 (or not finite) are refused with kResultFalse.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    // The editor's window moves to another view: this one stops driving it.
    void StopRunLoop();
    // The host's plug frame, as it set it.
    Steinberg::IPlugFrame* Frame() const { return plugFrame; }

    OBJ_METHODS(ICoreVST3View, CPluginView)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(CPluginView)
    REFCOUNT_METHODS(CPluginView)

private:
    void CloseEditor();
    // The platform's scale for the window, unless the host set one.
    void FollowSystemScale(double factor);
    // The surface takes the factor (its open window follows at once), and an
    // attached view asks the host for the new size.
    bool ApplyScaleFactor(double factor);
    void AskHostForSize();

    ICoreVST3& plugin;
    std::unique_ptr<ViewRunLoop> runLoop;
    bool hostSetScale = false;
    bool hostAttached = false;
    // Inside resizeView: a factor set now is asked for when that call returns.
    bool askingHost = false;
    bool sizePending = false;
};
