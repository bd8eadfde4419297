// tonewell: plays the Tonewell VST 3 module through the computer's audio
// output, loaded through its factory as any host loads it.
#include <DefaultModulePath.h>
#include <InterruptGuard.h>
#include <NoteSchedule.h>
#include <PluginSession.h>
#include <RenderError.h>
#include <RenderOptions.h>
#include <SessionAutomation.h>
#include <SessionError.h>
#include <SessionFormat.h>
#include <SessionScript.h>
#include <SessionTimeline.h>
#include <StartingChanges.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "AudioOutput.h"
#include "BarMemory.h"
#include "InstanceLock.h"
#include "LivePlayer.h"
#include "MidiInput.h"
#include "OutputSettings.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"
#include "ProgramGroups.h"
#include "ProgramWindow.h"
#include "SavedState.h"
#include "SbagenPlayback.h"
#include "SessionPosition.h"
#include "StandaloneOptions.h"
#include "StatusLine.h"

using namespace tonewell;
using namespace tonewell::standalone;

namespace {

// The fade after Ctrl-C: long enough to never click, short enough to feel immediate.
constexpr double kStopFadeSeconds = 0.05;
// What plays when nothing is asked for and nothing was saved: a beat heard
// at once, in generator mode, rather than a synthesizer waiting for notes.
constexpr const char* kFirstStartProgram = "Binaural - 7.83 (Schumann Resonance)";
// A device that takes no buffer for this long has gone away.
constexpr auto kStallTimeout = std::chrono::seconds(3);

int ListDevices() {
    AudioOutput output;
    std::printf("Output devices (%s):\n", output.ApiName().c_str());
    for (const auto& device : output.Devices()) {
        std::string rates;
        for (const unsigned int rate : device.sampleRates)
            rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
        std::printf("%3u  %s%s  [%s Hz]\n", device.index, device.name.c_str(),
                    device.isDefault ? " (default)" : "", rates.c_str());
    }
    return 0;
}

// Plays until the length is reached, the user interrupts or the device
// stalls; the stream is running when it is called.
void Play(LivePlayer& player, const AudioOutput& output, double totalSeconds, int sampleRate) {
    const render::InterruptGuard interrupts;
    StatusLine status(stderr, totalSeconds);
    auto lastProgress = std::chrono::steady_clock::now();
    std::int64_t lastFrames = -1;
    while (!player.Finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (render::InterruptGuard::Requested()) player.RequestStop();
        // The sleep timer has faded the sound out: playing ends.
        if (player.Listener().Asleep()) player.RequestStop();
        if (output.Lost()) {
            status.Finish();
            throw PlayError("the audio device went away: " + output.Failure());
        }
        const std::int64_t frames = player.FramesPlayed();
        const auto now = std::chrono::steady_clock::now();
        if (frames != lastFrames) {
            lastFrames = frames;
            lastProgress = now;
        } else if (now - lastProgress > kStallTimeout) {
            status.Finish();
            throw PlayError("the audio device stopped taking sound");
        }
        status.Update(static_cast<double>(frames) / sampleRate, player.LastPeak(),
                      player.Underruns(), player.Listener().SleepRemaining());
    }
}

// What goes from one round of playing to the next when the window opens
// another session or program.
struct Round {
    // The output device by name (from the saved settings); none
    // plays through the command line's --device or the default.
    std::optional<std::string> deviceName;
    // The output came from the saved settings or the bar, not the command line.
    bool outputChosen = false;
    bool transport = true;
    // The program list's selection; -1 for none.
    int program = -1;
    // The bar's master volume; none takes the one kept from last time.
    std::optional<float> volume;
    // The sleep timer's time left when the round ended; none when off.
    std::optional<double> sleepLeft;
    // Where playing stood when the round ended (seconds into the session,
    // or seconds played).
    // Set by a round that ends for a session opened in the window, or for a
    // program chosen while an SBaGen session played: what plays next.
    std::optional<std::string> nextSession;
    int nextProgram = -1;
    // A failure of the last choice, for the window to show.
    std::string message;
    double reachedSeconds = 0.0;
};

// `value`'s index in `list`, where it is added (in order) when missing.
int IndexIn(std::vector<unsigned int>& list, unsigned int value) {
    auto at = std::lower_bound(list.begin(), list.end(), value);
    if (at == list.end() || *at != value) at = list.insert(at, value);
    return static_cast<int>(at - list.begin());
}

// A thread joined when it goes out of scope, an exception's way too.
struct JoinedThread {
    std::thread running;
    JoinedThread() = default;
    JoinedThread(const JoinedThread&) = delete;
    JoinedThread& operator=(const JoinedThread&) = delete;
    ~JoinedThread() {
        if (running.joinable()) running.join();
    }
};

// The session's automation and notes made for another sample rate.
struct Retimed {
    render::SessionAutomation automation;
    std::optional<render::NoteSchedule> notes;
};

// The fade a change of output plays out before the old stream stops: the
// player's hold fade and a few buffers to spare.
constexpr auto kHoldTimeout = std::chrono::milliseconds(200);
// Silence at the start of a new stream before the sound fades in.
constexpr auto kStreamSettle = std::chrono::milliseconds(30);

// Plays on through `choice` in place of `playing`: the sound fades out, the
// old stream closes, a new rate re-prepares the plug-in (parameters and
// where playing stands are kept), the new stream opens and the sound fades
// back in. An output that does not open gives way to the one that played,
// then to the default device; `playing` tells which plays and the result is
// the message to show (empty when the choice plays).
std::string SwitchOutput(std::unique_ptr<AudioOutput>& output, std::thread& drainer,
                         LivePlayer& player, hostkit::PluginInstance& instance,
                         hostkit::ProcessConfig& config, const OutputSettings::Choice& choice,
                         OutputSettings::Choice& playing, const std::function<Retimed(int)>& retime,
                         const std::function<void()>& announce,
                         const std::optional<std::string>& settingsPath) {
    std::string message;
    // No stream after a change that found no output at all.
    if (output) {
        player.Hold();
        const auto deadline = std::chrono::steady_clock::now() + kHoldTimeout;
        while (!player.Held() && !output->Lost() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The old stream plays out its faded end while the new one opens.
        if (drainer.joinable()) drainer.join();
        output->DetachPlayer();
        drainer = std::thread([old = std::move(output)] {
            try {
                old->Close();
            } catch (const PlayError&) {
                // The next stream is what counts now.
            }
        });
    }
    const auto open = [&](const OutputSettings::Choice& target) {
        if (!output) output = std::make_unique<AudioOutput>();
        std::optional<unsigned int> device;
        if (!target.device.empty()) {
            for (const auto& entry : output->Devices())
                if (entry.name == target.device) device = entry.index;
            if (!device)
                throw PlayError("the output device \"" + target.device + "\" is not there");
        }
        const auto rate = static_cast<int>(target.rate);
        if (!instance.IsStarted() || rate != static_cast<int>(config.sampleRate)) {
            Retimed retimed = retime(rate);
            instance.Stop();
            hostkit::ProcessConfig next = config;
            next.sampleRate = rate;
            std::string error;
            if (!instance.Start(next, error)) throw PlayError(error);
            player.Retime(rate, std::move(retimed.automation), std::move(retimed.notes));
            config = next;
        }
        output->Open(device, target.rate, target.buffer, player);
    };
    try {
        try {
            open(choice);
        } catch (const PlayError&) {
            // A device that plays one stream at a time opens once the old
            // one has played out.
            if (!drainer.joinable()) throw;
            drainer.join();
            open(choice);
        }
        playing = choice;
    } catch (const PlayError& error) {
        message = std::string("cannot play through the chosen output: ") + error.what();
        try {
            open(playing);
            message += "; playing on through the output before";
        } catch (const PlayError&) {
            try {
                playing =
                    OutputSettings::Choice{{}, playing.rate, StandaloneOptions{}.bufferFrames};
                open(playing);
                message += "; playing on through the default device";
            } catch (const PlayError& last) {
                // Nothing plays; the window stays for another choice.
                message += std::string("; no output plays: ") + last.what();
                std::fprintf(stderr, "tonewell: %s\n", message.c_str());
                return message;
            }
        }
    }
    if (!message.empty()) std::fprintf(stderr, "tonewell: %s\n", message.c_str());
    try {
        // Kept for the next start.
        if (settingsPath) OutputSettings::Save(playing, *settingsPath);
    } catch (const PlayError& error) {
        std::fprintf(stderr, "tonewell: %s\n", error.what());
    }
    try {
        announce();
        output->Start();
    } catch (const PlayError& error) {
        message += (message.empty() ? "" : "; ") + std::string(error.what());
        std::fprintf(stderr, "tonewell: %s\n", error.what());
        return message;
    }
    // A sound server may drop the first moments of a new stream: the fade-in
    // starts after them, so that it is heard from its start.
    std::this_thread::sleep_for(kStreamSettle);
    player.Resume();
    return message;
}

int PlayRound(const StandaloneOptions& options, Round& round,
              const std::optional<std::string>& settingsPath) {
    // The session's own mistakes show before the module loads.
    std::optional<render::SessionScript> script;
    std::optional<session::SbagenScript> sbagen;
    if (options.tones ||
        (options.sessionPath && session::SessionFormat::IsSbagen(*options.sessionPath))) {
        if (options.preset || options.program || !options.assignments.empty())
            throw PlayError("--preset, --program and --set do not go with an SBaGen session: its "
                            "tone-sets set every voice");
        sbagen = SbagenPlayback::Read(options.sessionPath, options.tones);
        for (const auto& warning : sbagen->Warnings())
            std::fprintf(stderr, "tonewell: warning: %s\n", warning.c_str());
        if (!sbagen->Options().mixFile.empty())
            std::fprintf(stderr,
                         "tonewell: warning: %s:%d: the mix file of -m is not played live; "
                         "tonewell-render mixes it in\n",
                         sbagen->Name().c_str(), sbagen->Options().mixLine);
    } else if (options.sessionPath) {
        script = render::SessionScript::Read(*options.sessionPath);
    }

    render::PluginSession session(options.modulePath, "tonewell");
    if (options.listPrograms || options.listParams) {
        if (options.listPrograms)
            std::fputs(ProgramGroups(session.Programs().Names()).Listing().c_str(), stdout);
        if (options.listParams) std::fputs(session.Parameters().Listing().c_str(), stdout);
        return 0;
    }
    // Where the playing starts from: a preset, else (in the window, with
    // nothing else asked for) the state the window was left in last time.
    auto& instance = session.Instance();
    const auto statePath = options.noWindow ? std::nullopt : SavedState::DefaultPath();
    const BarMemory memory =
        statePath ? BarMemory::Load(BarMemory::PathBeside(*statePath),
                                    static_cast<int>(session.Programs().Names().size()))
                  : BarMemory{};
    bool restored = false;
    if (options.preset) {
        SavedState::LoadPreset(instance, *options.preset);
        restored = true;
    } else if (statePath && !options.program && options.assignments.empty() && !script &&
               std::filesystem::exists(*statePath)) {
        try {
            SavedState::LoadPreset(instance, *statePath);
            restored = true;
            // The state holds the values; the list shows the program they came from.
            if (round.program < 0) round.program = memory.program;
        } catch (const PlayError& error) {
            std::fprintf(stderr, "tonewell: starting afresh; %s\n", error.what());
        }
    }
    render::RenderOptions request;
    request.program = options.program;
    if (!restored && !options.program && !script && !sbagen &&
        session.Parameters().ProgramChangeId()) {
        // A module without the program plays as it starts.
        try {
            session.Programs().Resolve(kFirstStartProgram);
            request.program = kFirstStartProgram;
        } catch (const render::RenderError&) {
        }
    }
    request.assignments = options.assignments;
    // A session's notes switch a generator set-up to the synthesizer, as in
    // the renderer.
    if (script) {
        for (const auto& event : script->Events()) {
            if (event.kind == render::SessionScript::Kind::Note)
                request.notes.push_back(
                    {event.seconds, event.note, event.velocity, event.durationSeconds});
        }
    }
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());

    const int rate = static_cast<int>(options.sampleRate);
    double seconds = options.seconds.value_or(0.0);
    render::SessionAutomation automation;
    std::vector<ParameterChangeQueue::Change> restartChanges;
    // What the first block sends: the command line's changes, or where the
    // session stands at --from.
    std::vector<ParameterChangeQueue::Change> firstChanges;
    for (const auto& change : changes.Changes())
        firstChanges.push_back({change.id, change.normalized});
    std::int64_t startFrame = 0;
    std::optional<render::NoteSchedule> sessionNotes;
    if (!request.notes.empty()) sessionNotes.emplace(request.notes, rate);
    std::optional<render::SessionTimeline> timeline;
    if (script) {
        const std::vector<double> start = session.StartingValues(changes);
        timeline.emplace(
            *script, session.Parameters(), session.Programs(), start,
            [&](int index) -> const std::vector<double>& { return session.ProgramValues(index); },
            render::RenderOptions::kMaxSeconds);
        for (const auto& warning : timeline->Warnings())
            std::fprintf(stderr, "tonewell: %s\n", warning.c_str());
        seconds =
            options.seconds ? std::min(*options.seconds, timeline->Seconds()) : timeline->Seconds();
        // A loop starts each round from the values the first one started with.
        const auto& parameters = session.Parameters().Parameters();
        for (std::size_t i = 0; i < parameters.size(); ++i)
            if (parameters[i].id != session.Parameters().ProgramChangeId())
                restartChanges.push_back({parameters[i].id, start[i]});
        automation =
            render::SessionAutomation(*timeline, session.Parameters(), session.Programs(), rate);
        if (options.fromSeconds) {
            if (*options.fromSeconds >= seconds)
                throw PlayError("--from " + render::FormatSessionTime(*options.fromSeconds) +
                                " is not before the session's end at " +
                                render::FormatSessionTime(seconds));
            startFrame = std::llround(*options.fromSeconds * rate);
            automation.SkipTo(startFrame);
            if (sessionNotes) sessionNotes->SkipTo(startFrame);
            firstChanges =
                SessionPosition::ValuesAt(*timeline, session.Parameters(), startFrame, rate);
        }
    }
    // A session that loads a program at its start overrides the command line.
    if (startFrame == 0 && automation.ProgramAtStart()) firstChanges.clear();
    // An SBaGen session plays through voices of its own; the instance only
    // keeps the editor.
    std::unique_ptr<SbagenPlayback> playback;
    if (sbagen) {
        std::optional<double> length = sbagen->Length();
        if (options.seconds) length = std::min(length.value_or(*options.seconds), *options.seconds);
        seconds = length.value_or(0.0);
        if (options.fromSeconds) {
            if (length && *options.fromSeconds >= *length)
                throw PlayError("--from " + render::FormatSessionTime(*options.fromSeconds) +
                                " is not before the session's end at " +
                                render::FormatSessionTime(*length));
            startFrame = std::llround(*options.fromSeconds * rate);
        }
        playback = std::make_unique<SbagenPlayback>(
            std::move(*sbagen), session, rate, static_cast<int>(options.bufferFrames), startFrame);
        firstChanges.clear();
    }

    LivePlayer::Settings settings;
    settings.sampleRate = rate;
    settings.maxBlock = static_cast<int>(options.bufferFrames);
    settings.totalFrames = seconds > 0.0 ? std::llround(seconds * rate) : -1;
    settings.endFadeFrames = std::llround(render::RenderOptions{}.fadeOutSeconds * rate);
    settings.stopFadeFrames = std::llround(kStopFadeSeconds * rate);
    settings.loop = options.loop;
    settings.restartChanges = std::move(restartChanges);
    settings.startFrame = startFrame;
    ParameterChangeQueue queue;
    LivePlayer player(instance, queue, std::move(automation), settings);
    if (sessionNotes) player.SetSessionNotes(std::move(*sessionNotes));
    if (playback) player.SetSource(*playback);
    // Notes from the window's keys and from a MIDI port, one queue each.
    NoteQueue keyNotes;
    NoteQueue midiNotes;
    player.AttachNotes(keyNotes);
    player.AttachNotes(midiNotes);
    const MidiInput midi(midiNotes, options.midiPort);
    if (midi.IsOpen())
        std::fprintf(stderr, "tonewell: notes from MIDI port %s\n", midi.PortName().c_str());

    player.SetTransport(round.transport);
    player.Listener().SetVolume(round.volume.value_or(memory.volume));
    if (options.noWindow && options.sleepSeconds) player.Listener().SetSleep(*options.sleepSeconds);

    auto output = std::make_unique<AudioOutput>();
    // Plays out the stream before the last change of output.
    JoinedThread drainer;
    const std::vector<AudioOutput::Device> devices = output->Devices();
    std::optional<unsigned int> device = options.device;
    // Said once the default device plays: with no device at all, the only
    // message is that there is none.
    std::string fallback;
    if (round.deviceName) {
        const auto found = std::find_if(devices.begin(), devices.end(), [&](const auto& entry) {
            return entry.name == *round.deviceName;
        });
        if (found != devices.end())
            device = found->index;
        else
            fallback = "the output device \"" + *round.deviceName + "\" is not there";
    }

    hostkit::ProcessConfig config;
    config.sampleRate = rate;
    config.maxSamplesPerBlock = settings.maxBlock;
    config.sampleSize = Steinberg::Vst::kSample32;
    config.processMode = Steinberg::Vst::kRealtime;
    const auto announce = [&] {
        std::fprintf(stderr, "tonewell: playing through %s, %s, %d Hz, %u frames a buffer\n",
                     output->ApiName().c_str(), output->DeviceName().c_str(),
                     static_cast<int>(config.sampleRate), output->BufferFrames());
    };

    // The window opens before the sound starts, and it shows the editor
    // with the starting program and settings.
    std::unique_ptr<ProgramWindow> window;
    if (!options.noWindow) {
        for (const auto& change : firstChanges)
            instance.Controller()->setParamNormalized(change.id, change.normalized);
        // The program the playing starts on, however it was chosen.
        const int program =
            request.program ? session.Programs().Resolve(*request.program) : round.program;
        ProgramWindow::OutputMenu menu;
        menu.devices.push_back("Default output");
        std::vector<unsigned int> rates;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            menu.devices.push_back(devices[i].name);
            if (device ? devices[i].index == *device : devices[i].isDefault) {
                rates = devices[i].sampleRates;
                if (device) menu.device = static_cast<int>(i) + 1;
            }
        }
        std::sort(rates.begin(), rates.end());
        menu.rate = IndexIn(rates, options.sampleRate);
        menu.rates = rates;
        menu.buffers = OutputSettings::BufferSizes();
        menu.buffer = IndexIn(menu.buffers, options.bufferFrames);
        ProgramWindow::BarOptions bar;
        // A later round carries on with the timer where the last one left it.
        bar.sleepSeconds = round.sleepLeft.value_or(options.sleepSeconds.value_or(0.0));
        // A session's end leaves the window, stopped, at the end.
        bar.stayAtEnd = (script.has_value() || playback) && !options.loop;
        bar.message = round.message;
        round.message.clear();
        if (playback) {
            const SbagenPlayback& shown = *playback;
            bar.toneSetAt = [&shown](double at) { return shown.ToneSetAt(at); };
        }
        bar.switchOutput = [&](const OutputSettings::Choice& choice,
                               OutputSettings::Choice& playing) {
            return SwitchOutput(
                output, drainer.running, player, instance, config, choice, playing,
                [&](int newRate) {
                    // An SBaGen session's voices are made for the rate they
                    // started at.
                    if (playback)
                        throw PlayError("an SBaGen session plays on at the rate it started at");
                    // The session's points and notes, counted at the new rate from
                    // where playing stands.
                    const std::int64_t at = std::llround(static_cast<double>(player.Position()) *
                                                         newRate / config.sampleRate);
                    Retimed retimed;
                    if (timeline) {
                        retimed.automation = render::SessionAutomation(
                            *timeline, session.Parameters(), session.Programs(), newRate);
                        retimed.automation.SkipTo(at);
                    }
                    if (!request.notes.empty()) {
                        retimed.notes.emplace(request.notes, newRate);
                        retimed.notes->SkipTo(at);
                    }
                    return retimed;
                },
                announce, settingsPath);
        };
        window = ProgramWindow::Open(session, player, queue, keyNotes, program, menu, bar);
    }

    try {
        output->Open(device, options.sampleRate, options.bufferFrames, player);
    } catch (const PlayError& error) {
        // An output chosen earlier that no longer opens gives way to the
        // default device; the rate stays, the player is made for it.
        if (!round.outputChosen) throw;
        output->Open(std::nullopt, options.sampleRate, StandaloneOptions{}.bufferFrames, player);
        fallback = error.what();
    }
    if (!fallback.empty())
        std::fprintf(stderr, "tonewell: %s; playing through the default device\n",
                     fallback.c_str());

    std::string error;
    if (!instance.Start(config, error)) throw PlayError(error);
    // Generator programs sound only while the transport runs.
    instance.SetPlaying(true);
    instance.SetProjectTime(0);
    for (const auto& change : firstChanges)
        if (!instance.ParameterChanges().Add(change.id, change.normalized))
            throw PlayError("too many parameter settings");

    announce();
    output->Start();
    if (window) {
        {
            const render::InterruptGuard interrupts;
            window->Run(
                [&] { return render::InterruptGuard::Requested() || (output && output->Lost()); });
        }
        if (output && output->Lost())
            throw PlayError("the audio device went away: " + output->Failure());
        round.nextSession = window->SessionChosen();
        round.nextProgram = window->ProgramChosen();
        round.transport = player.Transport();
        round.program = window->ProgramShown();
        round.volume = player.Listener().Volume();
        const double sleepLeft = player.Listener().SleepRemaining();
        round.sleepLeft = sleepLeft > 0.0 ? std::optional<double>(sleepLeft) : std::nullopt;
        round.reachedSeconds =
            static_cast<double>(script || playback ? player.Position() : player.FramesPlayed()) /
            config.sampleRate;
        // Closing the window fades the sound out like Ctrl-C.
        player.RequestStop();
        const auto deadline = std::chrono::steady_clock::now() + kStallTimeout;
        while (!player.Finished() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
        Play(player, *output, options.loop ? 0.0 : seconds - static_cast<double>(startFrame) / rate,
             rate);
    }
    if (output) output->Stop();
    window.reset();
    instance.Stop();
    if (statePath) {
        try {
            SavedState::Save(instance, *statePath);
            BarMemory::Save({round.program, player.Listener().Volume()},
                            BarMemory::PathBeside(*statePath));
        } catch (const PlayError& error) {
            std::fprintf(stderr, "tonewell: %s\n", error.what());
        }
    }

    std::printf(
        "played %s, underruns: %llu\n",
        render::FormatSessionTime(static_cast<double>(player.FramesPlayed()) / config.sampleRate)
            .c_str(),
        static_cast<unsigned long long>(player.Underruns()));
    if (player.Failures() > 0) {
        std::fprintf(stderr, "tonewell: the plug-in failed to process %llu blocks\n",
                     static_cast<unsigned long long>(player.Failures()));
        return 1;
    }
    return 0;
}

int Run(int argc, char** argv) {
    StandaloneOptions options = StandaloneOptions::Parse(argc, argv, render::DefaultModulePath());
    if (options.helpText) {
        std::fputs(options.helpText->c_str(), stdout);
        return 0;
    }
    if (options.listDevices) return ListDevices();
    if (options.listMidi) {
        const auto ports = MidiInput::Ports();
        std::printf("MIDI input ports:%s\n", ports.empty() ? " none" : "");
        for (std::size_t i = 0; i < ports.size(); ++i)
            std::printf("%3zu  %s\n", i, ports[i].c_str());
        return 0;
    }

    Round round;
    // The window plays through the output chosen in it last time, unless
    // the command line names one.
    const auto statePath = options.noWindow ? std::nullopt : SavedState::DefaultPath();
    // One window at a time keeps the state, and this one keeps it through
    // every round and every change of output: another window is refused
    // rather than taking the state over.
    std::optional<InstanceLock> lock;
    if (statePath && !options.listPrograms && !options.listParams) lock.emplace(*statePath);
    const auto settingsPath =
        statePath ? std::optional(OutputSettings::PathBeside(*statePath)) : std::nullopt;
    if (settingsPath && !options.outputGiven) {
        if (const auto saved = OutputSettings::Load(*settingsPath)) {
            options.sampleRate = saved->rate;
            options.bufferFrames = saved->buffer;
            if (!saved->device.empty()) round.deviceName = saved->device;
            round.outputChosen = true;
        }
    }
    // What played before a choice made in the window, while that choice is
    // being tried: a session that cannot play leaves the window playing it
    // again, with the reason.
    std::optional<StandaloneOptions> fallback;
    for (;;) {
        int code = 0;
        try {
            code = PlayRound(options, round, settingsPath);
        } catch (const std::exception& error) {
            if (!fallback) throw;
            std::fprintf(stderr, "tonewell: %s\n", error.what());
            round.message = error.what();
            options = *fallback;
            fallback.reset();
            continue;
        }
        fallback.reset();
        if (round.nextSession || round.nextProgram >= 0) {
            fallback = options;
            fallback->preset.reset();
            fallback->program.reset();
            fallback->assignments.clear();
            fallback->sleepSeconds.reset();
            if (fallback->sessionPath) fallback->fromSeconds = round.reachedSeconds;
            // The session opened, or the program chosen, from its start.
            options.sessionPath = round.nextSession;
            options.tones.reset();
            options.program.reset();
            if (round.nextProgram >= 0) {
                options.program = std::to_string(round.nextProgram);
                round.program = round.nextProgram;
            }
            options.preset.reset();
            options.assignments.clear();
            options.sleepSeconds.reset();
            options.fromSeconds.reset();
            options.seconds.reset();
            options.loop = false;
            round.nextSession.reset();
            round.nextProgram = -1;
            round.transport = true;
            continue;
        }
        return code;
    }
}

} // namespace

namespace {

// On stderr, and where a program started from a menu shows it.
void Report(const std::string& message) {
    std::fprintf(stderr, "tonewell: %s\n", message.c_str());
    ProgramWindow::ReportFailure(message);
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const PlayError& error) {
        Report(error.what());
    } catch (const render::RenderError& error) {
        Report(error.what());
    } catch (const session::SessionError& error) {
        Report(error.what());
    } catch (const std::exception& error) {
        Report(std::string("unexpected failure: ") + error.what());
    }
    return 1;
}
