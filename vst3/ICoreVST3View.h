#pragma once

#include <memory>

#include "ViewRunLoop.h"
#include "public.sdk/source/common/pluginview.h"

class ICoreVST3;

// The host's window on the plug-in's editor: forwards opening, closing and
// size queries to the plug-in's editor surface, which it neither creates nor
// destroys. Holds a counted reference to the plug-in so the plug-in
// outlives its views.
class ICoreVST3View : public Steinberg::CPluginView {
public:
    explicit ICoreVST3View(ICoreVST3& plug);
    ~ICoreVST3View() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;

    // The editor's window moves to another view: this one stops driving it.
    void StopRunLoop();
    // The host's plug frame, as it set it.
    Steinberg::IPlugFrame* Frame() const { return plugFrame; }

private:
    void CloseEditor();

    ICoreVST3& plugin;
    std::unique_ptr<ViewRunLoop> runLoop;
};
