#pragma once

#include <atomic>
#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>

namespace tonewell::standalone {

// The plug frame of the window's editor: it hands out the window's run loop
// and lets the host's widget follow the view's size.
class EditorFrameLinux : public Steinberg::IPlugFrame {
public:
    using ResizeHandler = std::function<void(int width, int height)>;

    static Steinberg::IPtr<EditorFrameLinux> Create(Steinberg::Linux::IRunLoop* runLoop,
                                                    ResizeHandler onResize);

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    EditorFrameLinux(Steinberg::Linux::IRunLoop* runLoop, ResizeHandler onResize)
        : runLoop_(runLoop), onResize_(std::move(onResize)) {}
    virtual ~EditorFrameLinux() = default;

    Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop_;
    ResizeHandler onResize_;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::standalone
