#pragma once

#include <atomic>
#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>

namespace tonewell::hostkit {

// The plug frame a Linux host gives a plug-in view: it answers resize
// requests (telling the host's window through onResize, when given) and
// hands out the host's run loop (or, to play a host without one, none).
class HostPlugFrameLinux : public Steinberg::IPlugFrame {
public:
    using ResizeHandler = std::function<void(int width, int height)>;

    static Steinberg::IPtr<HostPlugFrameLinux> Create(Steinberg::Linux::IRunLoop* runLoop,
                                                      ResizeHandler onResize = {});

    int ResizeRequests() const { return resizeRequests_; }

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    HostPlugFrameLinux(Steinberg::Linux::IRunLoop* runLoop, ResizeHandler onResize)
        : runLoop_(runLoop), onResize_(std::move(onResize)) {}
    virtual ~HostPlugFrameLinux() = default;

    Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop_;
    ResizeHandler onResize_;
    int resizeRequests_ = 0;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::hostkit
