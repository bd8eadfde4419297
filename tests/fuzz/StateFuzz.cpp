// libFuzzer target: the component's and the controller's setState with
// arbitrary streams, including streams that fail half-way, deliver less than
// they report or report more than they were asked for, and refuse seeks; then
// getState into a stream that may fail. Afterwards every parameter must hold
// a finite value inside its range, the saved state must be the twelve values,
// and a block of audio must come out finite. Built by scripts/fuzz.sh.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "CLS_TONEWELL.h"
#include "FuzzReader.h"
#include "HostileStream.h"
#include "IGraphicsHeadless.h"

using namespace Steinberg;
using tonewellfuzz::FuzzReader;
using tonewellfuzz::HostileStream;

namespace {

std::unique_ptr<IGraphics> MakeHeadless(ICoreBase* plug, int width, int height, int fps, void*) {
    return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}
std::unique_ptr<IGraphics> NoEditor(ICoreBase*, int, int, int, void*) {
    return nullptr;
}

// A plain host application whose name the plug-in identifies (WaveLab keeps
// the bytes of a failing read).
class NamedHost : public Vst::IHostApplication {
public:
    explicit NamedHost(const char16_t* name) : name(name) {}
    tresult PLUGIN_API getName(Vst::String128 out) override {
        int i = 0;
        for (; name[i] && i < 127; ++i)
            out[i] = static_cast<Vst::TChar>(name[i]);
        out[i] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override {
        *obj = nullptr;
        return kResultFalse;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, Vst::IHostApplication::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

private:
    const char16_t* name;
};

HostileStream::Behaviour TakeBehaviour(FuzzReader& in) {
    HostileStream::Behaviour b;
    const auto flags = in.Take<std::uint8_t>();
    b.failAfterReads = flags & 1 ? in.Range(0, 4) : -1;
    b.deliverOnFailure = flags & 2;
    b.shortBy = flags & 4 ? in.Range(0, 130) : 0;
    b.overReport = flags & 8 ? in.Range(0, 100000) : 0;
    b.negativeCount = flags & 16;
    b.seekFails = flags & 32;
    b.seekSkew = flags & 64 ? in.Take<std::int32_t>() : 0;
    b.failAfterWrites = flags & 128 ? in.Range(0, 2) : -1;
    b.shortWrites = in.Flag();
    return b;
}

// A failed check names itself, then aborts, which libFuzzer reports as a crash.
[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "check failed, line %d: %s\n", line, what);
    std::abort();
}
#define CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader in(data, size);
    static NamedHost plainHost(u"Fuzz Host"), waveLab(u"WaveLab 12");
    // One input in eight builds the editor too, which a restore refreshes;
    // building it costs most of a run.
    IPtr<CLS_TONEWELL> plug =
        owned(new CLS_TONEWELL(in.Range(0, 7) == 0 ? MakeHeadless : NoEditor));
    CHECK(plug->initialize(in.Flag() ? &waveLab : &plainHost) == kResultOk);
    Vst::IComponent* component = plug;
    Vst::IEditController* controller = plug;

    const int rounds = in.Range(1, 3);
    for (int round = 0; round < rounds && !in.Empty(); ++round) {
        const HostileStream::Behaviour behaviour = TakeBehaviour(in);
        const int target = in.Range(0, 2); // component, controller or both
        HostileStream stream(in.Bytes(static_cast<std::size_t>(in.Range(0, 400))), behaviour);
        if (target != 1) component->setState(&stream);
        if (target != 0) controller->setState(&stream);
        CHECK(stream.References() == 1);
        controller->setComponentState(&stream);
        controller->getState(&stream);

        // Whatever the stream held, each value lies inside its range.
        for (int i = 0; i < plug->NumParams(); ++i) {
            const IEngineParam* param = plug->GetParam(i);
            const double value = param->PlainValue();
            CHECK(std::isfinite(value) && value >= param->Min() && value <= param->Max());
            const double normalized = controller->getParamNormalized(static_cast<Vst::ParamID>(i));
            CHECK(normalized >= 0.0 && normalized <= 1.0);
        }
        HostileStream out({}, TakeBehaviour(in));
        const tresult saved = component->getState(&out);
        CHECK(saved != kResultOk || out.Bytes().size() == 8u * plug->NumParams());
    }

    // The instance still renders finite audio.
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    plug->setBusArrangements(&stereo, 1, &stereo, 1);
    // A host activates the buses it uses; an inactive bus is left alone.
    plug->activateBus(Vst::kAudio, Vst::kInput, 0, true);
    plug->activateBus(Vst::kAudio, Vst::kOutput, 0, true);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, 64, 44100.0};
    CHECK(plug->setupProcessing(setup) == kResultOk);
    plug->setActive(true);
    // The outputs start as NaN: the plug-in must write every sample.
    float inL[64] = {}, inR[64] = {}, outL[64], outR[64];
    std::fill(outL, outL + 64, std::numeric_limits<float>::quiet_NaN());
    std::fill(outR, outR + 64, std::numeric_limits<float>::quiet_NaN());
    float* inputs[2] = {inL, inR};
    float* outputs[2] = {outL, outR};
    Vst::AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    inBus.channelBuffers32 = inputs;
    outBus.channelBuffers32 = outputs;
    Vst::ProcessContext context{};
    context.state = Vst::ProcessContext::kPlaying;
    Vst::ProcessData process{};
    process.symbolicSampleSize = Vst::kSample32;
    process.numSamples = 64;
    process.numInputs = process.numOutputs = 1;
    process.inputs = &inBus;
    process.outputs = &outBus;
    process.processContext = &context;
    for (int block = 0; block < 2; ++block) {
        CHECK(plug->process(process) == kResultOk);
        for (int i = 0; i < 64; ++i)
            CHECK(std::isfinite(outL[i]) && std::isfinite(outR[i]));
    }
    plug->setActive(false);
    plug->terminate();
    return 0;
}
