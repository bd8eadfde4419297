// The notifier on its own, with hosts that offer no run loop of the
// handler's: notices go by the module's thread, or by an open editor's loop.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "HostNotifier.h"
#include "HostPlugFrameLinux.h"
#include "HostRunLoopLinux.h"
#include "RecordingComponentHandler.h"
#include "UiLoop.h"

using namespace Steinberg;
using tonewell::hostkit::RecordingComponentHandler;
using tonewell::hostkit::RunUiLoopUntil;

namespace {

constexpr int32 kBoth = Vst::kParamValuesChanged | Vst::kLatencyChanged;

struct Notified {
    std::unique_ptr<HostNotifier> notifier = HostNotifier::Create();
    IPtr<RecordingComponentHandler> handler = RecordingComponentHandler::Create();
    Notified() { notifier->SetHandler(handler); }
    size_t Calls() const { return handler->Calls().size(); }
};

} // namespace

// Two kinds posted inside one host call that lasts: nothing while the call
// lasts, then one restart with both flags.
TEST(HostNotifier, KindsPostedInALongHostCallArriveTogetherAfterIt) {
    Notified host;
    {
        HostNotifier::HostCall call(host.notifier.get());
        host.notifier->Post(Vst::kParamValuesChanged);
        host.notifier->Post(Vst::kLatencyChanged);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(host.Calls(), 0u) << "a restart came inside the host's call";
    }
    ASSERT_TRUE(RunUiLoopUntil([&] { return host.Calls() >= 1; }, 2000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto calls = host.handler->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(static_cast<int32>(calls[0].id), kBoth);
}

// A notice waiting for an editor's loop that never turns goes by the
// module's thread once the editor closes.
TEST(HostNotifier, ANoticeWaitingForAnEditorsLoopOutlivesTheEditor) {
    Notified host;
    auto loop = tonewell::hostkit::HostRunLoopLinux::Create();
    auto frame = tonewell::hostkit::HostPlugFrameLinux::Create(loop, nullptr);
    host.notifier->SetEditorFrame(frame);
    host.notifier->Post(Vst::kParamValuesChanged);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(host.Calls(), 0u) << "a restart came while the editor's loop stood still";
    host.notifier->SetEditorFrame(nullptr);
    EXPECT_TRUE(RunUiLoopUntil([&] { return host.Calls() == 1; }, 2000));
    EXPECT_EQ(loop->TimerCount(), 0);
}
