// The stress test with the module's real X11 window: the audio thread
// processes with parameter changes while the UI thread (the host's run loop)
// turns a knob, types its value into the entry field and turns the wheel
// through XTEST, and runs the window's event handling and timer ticks. On
// the display of $DISPLAY (skipped without one, failed when the display is
// required); a few seconds at most, whatever the headless run is given.
#include <X11/keysym.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "CLS_TONEWELL.h"
#include "HostApplication.h"
#include "HostPlugFrameLinux.h"
#include "HostRunLoopLinux.h"
#include "HostWindowLinux.h"
#include "RecordingComponentHandler.h"
#include "StressAudioThread.h"

using namespace Steinberg;
using tonewell::hostkit::HostWindowLinux;

TEST(Concurrency, ProcessingWhileTheX11EditorIsUsed) {
    constexpr int kW = CLS_TONEWELL::kEditorWidth, kH = CLS_TONEWELL::kEditorHeight;
    // The "Binaural" knob, and more than two periods of the editor's timer.
    constexpr int kKnobX = 181, kKnobY = 133, kTicksMs = 100;
    std::string error;
    const auto host = HostWindowLinux::Create(kW, kH, error);
    if (!host) {
        if (HostWindowLinux::DisplayRequired()) FAIL() << error;
        GTEST_SKIP() << error;
    }

    IPtr<CLS_TONEWELL> plug = owned(new CLS_TONEWELL);
    IPtr<tonewell::hostkit::HostApplication> application =
        tonewell::hostkit::HostApplication::Create("Stress Host");
    IPtr<tonewell::hostkit::RecordingComponentHandler> handler =
        tonewell::hostkit::RecordingComponentHandler::Create();
    ASSERT_EQ(plug->initialize(application), kResultOk);
    plug->setComponentHandler(handler);
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    ASSERT_EQ(plug->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, StressAudioThread::kBlock, 48000.0};
    ASSERT_EQ(plug->setupProcessing(setup), kResultOk);
    ASSERT_EQ(plug->setActive(true), kResultOk);

    const auto loop = tonewell::hostkit::HostRunLoopLinux::Create();
    const auto frame = tonewell::hostkit::HostPlugFrameLinux::Create(loop);
    IPtr<IPlugView> view = owned(plug->createView(Vst::ViewType::kEditor));
    ASSERT_TRUE(view);
    ASSERT_EQ(view->setFrame(frame), kResultOk);
    ASSERT_EQ(view->attached(host->ParentHandle(), kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(host->Children().size(), 1u);
    const unsigned long editor = host->Children().front();
    loop->RunFor(kTicksMs);

    std::atomic<bool> stop{false};
    StressAudioThread audio(*plug, ParamBeatFreq);
    std::thread audioThread([&] { audio.Run(stop); });

    const auto settle = [&] {
        loop->RunUntilQuiet(5000);
        loop->RunFor(kTicksMs);
    };
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration<double>(std::min(StressSeconds(), 3.0));
    long rounds = 0;
    while (std::chrono::steady_clock::now() < end) {
        ++rounds;
        // A value typed into the entry: the tick commits it.
        host->MoveTo(editor, kKnobX, kKnobY);
        host->Button(3, true);
        host->Button(3, false);
        settle();
        host->Tap(XK_1);
        host->Tap(XK_Return);
        settle();
        // A wheel notch: the ticks count down the end of its edit.
        host->Button(4, true);
        host->Button(4, false);
        settle();
        // A drag.
        host->Button(1, true);
        host->MoveTo(editor, kKnobX, kKnobY - 10);
        host->Button(1, false);
        settle();
    }

    stop = true;
    audioThread.join();
    EXPECT_EQ(view->removed(), kResultOk);
    view = nullptr;
    plug->setActive(false);
    plug->terminate();
    EXPECT_GT(audio.Blocks(), 0);
    EXPECT_EQ(audio.NonFinite(), 0);
    EXPECT_EQ(host->Errors(), 0);
    std::printf("%ld audio blocks, %ld rounds of X input\n", audio.Blocks(), rounds);
}
