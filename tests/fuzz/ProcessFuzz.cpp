// libFuzzer target: the audio processor driven by arbitrary host calls
// decoded from the input: bus arrangements and activations, set-up with any
// rate, block size and sample size, and process calls with any frame count,
// bus and channel layout (null arrays and null channels included), parameter
// queues with any ids, points and values, any events and process context.
// Every buffer is allocated at exactly the size the host call describes, so
// AddressSanitizer reports any write outside it; inputs are finite, so any
// NaN or infinity in an output is a failure. Built by scripts/fuzz.sh.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "CLS_TONEWELL.h"
#include "FuzzReader.h"
#include "IGraphicsHeadless.h"
#include "NoteEventList.h"
#include "ParameterChangeList.h"

using namespace Steinberg;
using tonewellfuzz::FuzzReader;

namespace {

std::unique_ptr<IGraphics> MakeHeadless(ICoreBase* plug, int width, int height, int fps, void*) {
    return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}
std::unique_ptr<IGraphics> NoEditor(ICoreBase*, int, int, int, void*) {
    return nullptr;
}

// A failed check names itself, then aborts, which libFuzzer reports as a crash.
[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "check failed, line %d: %s\n", line, what);
    std::abort();
}
#define CHECK(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

double TakeValue(FuzzReader& in) {
    switch (in.Range(0, 7)) {
    case 0:
        return std::numeric_limits<double>::quiet_NaN();
    case 1:
        return in.Flag() ? std::numeric_limits<double>::infinity()
                         : -std::numeric_limits<double>::infinity();
    case 2:
        return in.Take<double>();
    default:
        return in.Range(0, 1000) / 1000.0;
    }
}

Vst::ParamID TakeId(FuzzReader& in) {
    switch (in.Range(0, 5)) {
    case 0:
        return ICoreVST3::kProgramChangeId;
    case 1:
        return ICoreVST3::kBypassId;
    case 2:
        return in.Take<Vst::ParamID>();
    default:
        return static_cast<Vst::ParamID>(in.Range(0, kNumEngineParams));
    }
}

double TakeRate(FuzzReader& in) {
    static const double kRates[] = {44100.0, 48000.0, 96000.0,  8000.0, 1.0,     0.5,
                                    1e-300,  1e9,     192000.0, 0.0,    -48000.0};
    const int pick = in.Range(0, 11);
    return pick < 11 ? kRates[pick] : in.Take<double>();
}

// The host's buffers of one bus: each channel exactly frames long, or null.
struct Bus {
    std::vector<std::vector<float>> data32;
    std::vector<std::vector<double>> data64;
    std::vector<float*> pointers32;
    std::vector<double*> pointers64;
    std::vector<float> levels;
};

// One process call as the host describes it.
void ProcessOnce(CLS_TONEWELL& plug, FuzzReader& in, int32 sampleSize,
                 tonewell::hostkit::ParameterChangeList& changes,
                 tonewell::hostkit::NoteEventList& events) {
    const int frames = in.Flag() ? in.Range(-2, 40) : in.Range(0, 2100);
    const int bufferFrames = std::max(frames, 0);
    const bool use64 = in.Flag() ? sampleSize == Vst::kSample64 : in.Flag();
    const int numInputs = in.Range(0, 2), numOutputs = in.Range(0, 2);
    std::vector<Bus> buses(static_cast<size_t>(numInputs + numOutputs));
    std::vector<Vst::AudioBusBuffers> hostBuses(buses.size());
    for (size_t b = 0; b < buses.size(); ++b) {
        const int channels = in.Range(0, 3);
        const bool nullArray = in.Range(0, 15) == 0;
        Vst::AudioBusBuffers& host = hostBuses[b];
        host.numChannels = in.Range(0, 31) == 0 ? in.Range(-2, 0) : channels;
        host.silenceFlags = in.Take<uint64>();
        Bus& bus = buses[b];
        for (int c = 0; c < channels; ++c) {
            const bool nullChannel = in.Range(0, 15) == 0;
            const float level = static_cast<float>(in.Range(-100, 100)) / 100.0f;
            bus.levels.push_back(level);
            bus.data32.emplace_back(nullChannel ? 0 : bufferFrames, level);
            bus.data64.emplace_back(nullChannel ? 0 : bufferFrames, level);
            bus.pointers32.push_back(nullChannel ? nullptr : bus.data32.back().data());
            bus.pointers64.push_back(nullChannel ? nullptr : bus.data64.back().data());
        }
        if (!nullArray && channels > 0) {
            if (use64)
                host.channelBuffers64 = bus.pointers64.data();
            else
                host.channelBuffers32 = bus.pointers32.data();
        }
        // A host that counts more channels than it passes is out of contract;
        // the count never exceeds the array here.
        host.numChannels = std::min<int32>(host.numChannels, channels);
    }

    changes.Clear();
    const int queues = in.Range(0, 6);
    for (int q = 0; q < queues; ++q) {
        const Vst::ParamID id = TakeId(in);
        const int points = in.Range(0, 3);
        if (points == 0) {
            int32 index = 0;
            changes.addParameterData(id, index);
        }
        for (int p = 0; p < points; ++p)
            changes.Add(id, TakeValue(in), in.Range(-5, 2100));
    }
    events.Clear();
    const int notes = in.Range(0, 4);
    for (int e = 0; e < notes; ++e) {
        const int32 offset = in.Range(-5, 2100);
        const int16 pitch = static_cast<int16>(in.Range(-5, 140));
        const float velocity = static_cast<float>(TakeValue(in));
        if (in.Flag())
            events.AddNoteOn(offset, pitch, velocity, static_cast<int16>(in.Range(-1, 16)));
        else
            events.AddNoteOff(offset, pitch, velocity, static_cast<int16>(in.Range(-1, 16)));
    }

    Vst::ProcessContext context{};
    context.state = in.Take<uint32>();
    context.sampleRate = TakeRate(in);
    context.projectTimeSamples = in.Flag() ? in.Take<int64>() : in.Range(0, 60000);
    context.tempo = TakeValue(in) * 300.0;
    context.timeSigNumerator = in.Range(-1, 16);
    context.timeSigDenominator = in.Range(-1, 16);

    Vst::ProcessData data{};
    data.processMode = in.Range(0, 2);
    // A size the buffers are not of is out of contract and beyond any
    // plug-in's sight (both kinds share one union): only sizes that are no
    // size at all stand in for the buffers' own.
    constexpr int32 kNoSizes[] = {-1, 2, 3};
    data.symbolicSampleSize =
        in.Range(0, 15) == 0 ? kNoSizes[in.Range(0, 2)] : (use64 ? Vst::kSample64 : Vst::kSample32);
    data.numSamples = frames;
    data.numInputs = numInputs;
    data.numOutputs = numOutputs;
    data.inputs = numInputs > 0 && in.Range(0, 15) != 0 ? hostBuses.data() : nullptr;
    data.outputs = numOutputs > 0 && in.Range(0, 15) != 0 ? hostBuses.data() + numInputs : nullptr;
    if (!data.inputs) data.numInputs = in.Flag() ? numInputs : 0;
    if (!data.outputs) data.numOutputs = in.Flag() ? numOutputs : 0;
    data.inputParameterChanges = in.Range(0, 7) != 0 ? &changes : nullptr;
    data.inputEvents = in.Range(0, 7) != 0 ? &events : nullptr;
    data.processContext = in.Range(0, 7) != 0 ? &context : nullptr;

    CHECK(plug.process(data) == kResultOk);

    // Every sample the host can see is finite, as the inputs were, and the
    // inputs are as the host left them.
    for (size_t b = 0; b < buses.size(); ++b) {
        const Bus& bus = buses[b];
        const bool input = b < static_cast<size_t>(numInputs);
        for (size_t c = 0; c < bus.levels.size(); ++c) {
            for (float sample : bus.data32[c])
                CHECK(std::isfinite(sample) && (!input || sample == bus.levels[c]));
            for (double sample : bus.data64[c])
                CHECK(std::isfinite(sample) && (!input || sample == bus.levels[c]));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader in(data, size);
    // One input in eight builds the editor too, to which process pushes values;
    // building it costs most of a run.
    IPtr<CLS_TONEWELL> plug =
        owned(new CLS_TONEWELL(in.Range(0, 7) == 0 ? MakeHeadless : NoEditor));
    CHECK(plug->initialize(nullptr) == kResultOk);
    static tonewell::hostkit::ParameterChangeList changes(16);
    static tonewell::hostkit::NoteEventList events;

    int32 sampleSize = Vst::kSample32;
    const int steps = in.Range(1, 12);
    for (int step = 0; step < steps && !in.Empty(); ++step) {
        switch (in.Range(0, 7)) {
        case 0: {
            Vst::SpeakerArrangement arrangements[4];
            for (auto& arrangement : arrangements)
                arrangement =
                    in.Flag() ? in.Take<Vst::SpeakerArrangement>() : Vst::SpeakerArr::kStereo;
            const int ins = in.Range(0, 2), outs = in.Range(0, 2);
            plug->setBusArrangements(in.Flag() ? arrangements : nullptr, ins,
                                     in.Flag() ? arrangements + 2 : nullptr, outs);
            break;
        }
        case 1:
            plug->activateBus(in.Range(-1, 2), in.Range(-1, 2), in.Range(-1, 3), in.Flag());
            break;
        case 2: {
            Vst::ProcessSetup setup{};
            setup.processMode = in.Range(0, 2);
            setup.symbolicSampleSize = in.Range(0, 7) == 0 ? in.Range(-1, 3)
                                       : in.Flag()         ? Vst::kSample64
                                                           : Vst::kSample32;
            setup.maxSamplesPerBlock = in.Flag() ? in.Take<int32>() : in.Range(0, 2048);
            setup.sampleRate = TakeRate(in);
            if (plug->setupProcessing(setup) == kResultOk) sampleSize = setup.symbolicSampleSize;
            break;
        }
        case 3:
            plug->setActive(in.Flag());
            break;
        case 4:
            plug->setProcessing(in.Flag());
            break;
        default:
            ProcessOnce(*plug, in, sampleSize, changes, events);
            break;
        }
    }
    plug->setActive(false);
    plug->terminate();
    return 0;
}
