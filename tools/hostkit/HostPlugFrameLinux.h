#pragma once

#include <atomic>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>

#include "HostRunLoopLinux.h"

namespace tonewell::hostkit {

// The plug frame a Linux host gives a plug-in view: it answers resize
// requests and hands out the host's run loop (or, to play a host without
// one, none).
class HostPlugFrameLinux : public Steinberg::IPlugFrame {
public:
    static Steinberg::IPtr<HostPlugFrameLinux> Create(Steinberg::IPtr<HostRunLoopLinux> runLoop);

    int ResizeRequests() const { return resizeRequests_; }

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    explicit HostPlugFrameLinux(Steinberg::IPtr<HostRunLoopLinux> runLoop)
        : runLoop_(std::move(runLoop)) {}
    virtual ~HostPlugFrameLinux() = default;

    Steinberg::IPtr<HostRunLoopLinux> runLoop_;
    int resizeRequests_ = 0;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::hostkit
