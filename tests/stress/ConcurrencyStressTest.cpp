// One thread processes audio without a pause while another does everything a
// host's UI thread does to the same instance: controller edits, component and
// controller state, program changes, and pointer drags, wheel turns and timer
// ticks on the editor surface. Run for TONEWELL_STRESS_SECONDS (default 2);
// under ThreadSanitizer (the linux-tsan preset) any data race fails the run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <public.sdk/source/common/memorystream.h>
#include <random>
#include <thread>
#include <vector>

#include "CLS_TONEWELL.h"
#include "HostApplication.h"
#include "IGraphicsHeadless.h"
#include "RecordingComponentHandler.h"
#include "StressAudioThread.h"

using namespace Steinberg;

namespace {

constexpr Vst::ParamID kProgramId = ICoreVST3::kProgramChangeId;
constexpr Vst::ParamID kBypassId = ICoreVST3::kBypassId;

std::unique_ptr<IGraphics> MakeHeadless(ICoreBase* plug, int width, int height, int fps, void*) {
    return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}

// An instance with a headless editor, initialized by a host and active.
struct ActiveInstance {
    IPtr<tonewell::hostkit::HostApplication> host =
        tonewell::hostkit::HostApplication::Create("Stress Host");
    IPtr<tonewell::hostkit::RecordingComponentHandler> handler =
        tonewell::hostkit::RecordingComponentHandler::Create();
    IPtr<CLS_TONEWELL> plug = owned(new CLS_TONEWELL(MakeHeadless));

    bool Activate() {
        if (plug->initialize(host) != kResultOk) return false;
        plug->setComponentHandler(handler);
        Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
        Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, StressAudioThread::kBlock, 48000.0};
        return plug->setBusArrangements(&stereo, 1, &stereo, 1) == kResultTrue &&
               plug->setupProcessing(setup) == kResultOk && plug->setActive(true) == kResultOk;
    }
};

} // namespace

TEST(Concurrency, ProcessingWhileTheUiThreadUsesEverythingElse) {
    ActiveInstance instance;
    CLS_TONEWELL* plug = instance.plug.get();
    auto* surface = static_cast<IGraphicsHeadless*>(plug->Surface());
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(instance.Activate());
    IPlugView* view = plug->createView(Vst::ViewType::kEditor);
    ASSERT_NE(view, nullptr);
    surface->OpenEditorWindow(nullptr);

    Vst::IComponent* component = plug;
    Vst::IEditController* controller = plug;
    std::atomic<bool> stop{false};
    StressAudioThread audio(*plug);
    std::thread audioThread([&] { audio.Run(stop); });

    // The UI thread: one random host or user action after another.
    std::mt19937 random(2);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds());
    IMouseKeys left;
    left.left = 1;
    long actions = 0;
    std::vector<IControl*> controls;
    for (int i = 0; i < surface->NumControls(); ++i)
        if (surface->GetControl(i)->ParamIndex() >= 0) controls.push_back(surface->GetControl(i));
    ASSERT_FALSE(controls.empty());

    while (std::chrono::steady_clock::now() < end) {
        ++actions;
        switch (random() % 10) {
        case 0: {
            const auto id = static_cast<Vst::ParamID>(random() % kNumEngineParams);
            plug->setParamNormalized(id, unit(random));
            EXPECT_GE(plug->getParamNormalized(id), 0.0);
            Vst::String128 text{};
            plug->getParamStringByValue(id, plug->getParamNormalized(id), text);
            break;
        }
        case 1:
            plug->setParamNormalized(kProgramId, unit(random));
            plug->getParamNormalized(kProgramId);
            break;
        case 2: {
            IPtr<MemoryStream> stream = owned(new MemoryStream);
            ASSERT_EQ(component->getState(stream), kResultOk);
            stream->seek(0, IBStream::kIBSeekSet, nullptr);
            component->setState(stream);
            break;
        }
        case 3: {
            IPtr<MemoryStream> stream = owned(new MemoryStream);
            controller->getState(stream);
            stream->seek(0, IBStream::kIBSeekSet, nullptr);
            controller->setState(stream);
            break;
        }
        case 4: {
            Vst::String128 name{};
            plug->getProgramName(kProgramId, static_cast<int32>(random() % 130), name);
            plug->setParamNormalized(kBypassId, random() % 4 == 0 ? 1.0 : 0.0);
            plug->getParamNormalized(kBypassId);
            break;
        }
        case 5:
        case 6: {
            // A drag over a control, as a user turns a knob.
            const IBounds& box = controls[random() % controls.size()]->Bounds();
            const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
            surface->MouseDownAt(x, y, left);
            for (int step = 1; step <= 4; ++step)
                surface->MouseDragTo(x, y - step * static_cast<int>(random() % 9 - 4), left);
            surface->MouseUpAt(x, y, left);
            break;
        }
        case 7: {
            const IBounds& box = controls[random() % controls.size()]->Bounds();
            surface->MouseWheelAt(box.left + 1, box.top + 1, IMouseKeys{},
                                  random() % 2 ? 1.0 : -1.0);
            surface->MouseOverAt(box.left + 2, box.top + 2, IMouseKeys{});
            break;
        }
        default:
            surface->Tick();
            break;
        }
    }

    stop = true;
    audioThread.join();
    surface->CloseEditorWindow();
    view->release();
    plug->setActive(false);
    plug->terminate();
    EXPECT_GT(audio.Blocks(), 0);
    EXPECT_GT(actions, 0);
    EXPECT_EQ(audio.NonFinite(), 0);
    std::printf("%ld audio blocks, %ld UI actions\n", audio.Blocks(), actions);
}

// The window's thread paints the whole editor over and over while the audio
// thread changes a shown value in every block, and now and then the mode,
// which hides and shows controls: ThreadSanitizer reports a paint that reads
// any of that without the plug-in lock.
TEST(Concurrency, PaintingWhileTheAudioThreadWrites) {
    ActiveInstance instance;
    auto* surface = static_cast<IGraphicsHeadless*>(instance.plug->Surface());
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(instance.Activate());
    surface->OpenEditorWindow(nullptr);

    std::atomic<bool> stop{false};
    StressAudioThread audio(*instance.plug, ParamBeatFreq);
    std::thread audioThread([&] { audio.Run(stop); });
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration<double>(std::min(StressSeconds(), 1.0));
    long paints = 0;
    while (std::chrono::steady_clock::now() < end || paints < 20) {
        surface->RedrawAll();
        surface->Tick();
        ++paints;
    }
    stop = true;
    audioThread.join();
    surface->CloseEditorWindow();
    instance.plug->setActive(false);
    instance.plug->terminate();
    EXPECT_GT(audio.Blocks(), 0);
}
