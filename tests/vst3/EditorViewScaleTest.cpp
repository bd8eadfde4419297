// The editor view's display scale between the host and the system: the
// system's factor is followed only until the host sets one of its own.
#include <gtest/gtest.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>

#include "ICoreVST3.h"
#include "IEditorSurface.h"
#ifdef _WIN32
#include "ViewPlatform.h"
#else
#include <unistd.h>

#include "HostPlugFrameLinux.h"
#include "HostRunLoopLinux.h"
#endif

using namespace Steinberg;

namespace {

// A surface whose platform scale the test changes at will (on Linux with a
// descriptor for the host's loop to watch, which never becomes readable).
class ScaledSurface : public IEditorSurface {
public:
#ifndef _WIN32
    ScaledSurface() {
        if (pipe(descriptors) != 0) descriptors[0] = descriptors[1] = -1;
    }
    ~ScaledSurface() override {
        for (int descriptor : descriptors)
            if (descriptor >= 0) close(descriptor);
    }
#endif
    void SystemChanges(double factor) {
        system = factor;
        if (listener) listener(factor);
    }

    void PushParamToControls(int, double, bool) override {}
    void PrepareDrawing() override {}
    void HideParamControls(int, bool) override {}
    int Width() const override {
        return 100;
    }
    int Height() const override {
        return 80;
    }
    int FrameRate() const override {
        return 24;
    }
    bool SetScaleFactor(double newFactor) override {
        if (!(newFactor >= 1.0 && newFactor <= 4.0)) return false;
        factor = newFactor;
        return true;
    }
    double ScaleFactor() const override {
        return factor;
    }
    double SystemScaleFactor() const override {
        return system;
    }
    void SetSystemScaleListener(std::function<void(double)> newListener) override {
        listener = std::move(newListener);
    }
    void OpenEditorWindow(void*) override {}
    void CloseEditorWindow() override {}
    void StartParamChangeCountdown(int) override {}
    void StopParamChangeCountdown() override {}
    int EventDescriptor() const override {
        return descriptors[0];
    }

private:
    int descriptors[2] = {-1, -1};
    double factor = 1.0, system = 1.25;
    std::function<void(double)> listener;
};

} // namespace

TEST(EditorViewScale, TheHostsFactorWinsOverALaterSystemChange) {
    PluginIdentity identity;
    identity.name = "Scaled";
    identity.channelIO = "2-2";
    IPtr<ICoreVST3> plugin = owned(new ICoreVST3(identity));
    auto owned = std::make_unique<ScaledSurface>();
    ScaledSurface& surface = *owned;
    plugin->AttachEditor(std::move(owned));
    IPtr<IPlugView> view = Steinberg::owned(plugin->createView("editor"));
    ASSERT_TRUE(view);
    FUnknownPtr<IPlugViewContentScaleSupport> scale(view);
    ASSERT_TRUE(scale);
#ifdef _WIN32
    ASSERT_EQ(view->attached(nullptr, NativeViewPlatformType()), kResultOk);
#else
    auto loop = tonewell::hostkit::HostRunLoopLinux::Create();
    auto frame = tonewell::hostkit::HostPlugFrameLinux::Create(loop);
    view->setFrame(frame);
    ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
#endif
    // Until the host speaks, the system's factor holds, and follows changes.
    EXPECT_EQ(surface.ScaleFactor(), 1.25);
    surface.SystemChanges(2.0);
    EXPECT_EQ(surface.ScaleFactor(), 2.0);

    ASSERT_EQ(scale->setContentScaleFactor(1.5f), kResultTrue);
    surface.SystemChanges(3.0);
    EXPECT_EQ(surface.ScaleFactor(), 1.5);
    view->removed();
}
