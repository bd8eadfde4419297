// tonewell-render: loads the Tonewell VST 3 module like a host and renders it
// offline into a WAV or FLAC file.
#include <PluginVoiceFactory.h>
#include <SbagenScript.h>
#include <SbagenTimeline.h>
#include <SessionError.h>
#include <SessionFormat.h>
#include <SessionPlayer.h>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>

#include "AudioFileWriter.h"
#include "AutomationExport.h"
#include "DefaultModulePath.h"
#include "InputAudio.h"
#include "InterruptGuard.h"
#include "OutputFile.h"
#include "PluginSession.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "RenderOptions.h"
#include "Renderer.h"
#include "SbagenRenderer.h"
#include "SessionAutomation.h"
#include "SessionScript.h"
#include "SessionTimeline.h"
#include "StartingChanges.h"
#include "TextParsing.h"

using namespace tonewell::render;
namespace session = tonewell::session;

namespace {

// Synthesizer programs and the default set-up sound only with notes: a
// render that can only be silent is a mistake, not a file to write.
void RejectSilentSynthesizer(const RenderOptions& options, const ParameterCatalog& parameters,
                             const std::vector<double>& start) {
    if (!options.notes.empty() || options.sessionPath || options.inputPath) return;
    const auto& list = parameters.Parameters();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].title == "Mode" && parameters.DisplayText(list[i], start[i]) == "Synthesizer")
            throw RenderError("synthesizer mode without notes renders only silence; add --note, "
                              "a --session, a generator --program or --set \"Mode=Generator\"");
    }
}

// "wrote x.wav: 00:00:10.000, 48000 Hz stereo, WAV float, peak -0.9 dBFS".
std::string Summary(const RenderOptions& options, double seconds, double peak) {
    const char* const formats[] = {"float", "16-bit", "24-bit"};
    char text[512];
    const double level = peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
    std::snprintf(text, sizeof text, "wrote %s: %s, %d Hz stereo, %s %s, peak %s dBFS\n",
                  options.outputPath.c_str(), FormatSessionTime(seconds).c_str(),
                  options.sampleRate, options.fileType == FileType::Wav ? "WAV" : "FLAC",
                  formats[static_cast<int>(options.sampleFormat)],
                  peak > 0.0 ? FormatNumber(std::round(level * 10.0) / 10.0).c_str() : "-inf");
    return text;
}

// A render that cannot fit stops before it starts. FLAC is counted at half
// the size of the samples, a cautious guess for tones.
void CheckFreeSpace(const RenderOptions& options, double seconds) {
    const int bytes[] = {4, 2, 3};
    double needed =
        seconds * options.sampleRate * 2 * bytes[static_cast<int>(options.sampleFormat)];
    if (options.fileType == FileType::Flac) needed /= 2;
    const std::filesystem::path destination(options.outputPath);
    const auto folder =
        destination.has_parent_path() ? destination.parent_path() : std::filesystem::path(".");
    std::error_code error;
    const auto space = std::filesystem::space(folder, error);
    if (error || static_cast<double>(space.available) >= needed + (1 << 20)) return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "not enough free space for \"%s\": it needs about %.0f MB, "
                  "%.0f MB are free",
                  options.outputPath.c_str(), needed / 1e6,
                  static_cast<double>(space.available) / 1e6);
    throw RenderError(text);
}

// The --input file as the session's mix.
class InputMix : public session::MixSource {
public:
    explicit InputMix(InputAudio& input) : input_(input) {}
    void Read(double* left, double* right, int frames) override {
        input_.Read(left, right, frames);
    }

private:
    InputAudio& input_;
};

int RunSbagen(const RenderOptions& options) {
    if (options.program || !options.assignments.empty() || !options.notes.empty())
        throw RenderError("--program, --set and --note do not go with an SBaGen session: its "
                          "tone-sets set every voice");
    if (options.exportAutomationPath)
        throw RenderError("--export-automation is for Tonewell's own session files");
    const session::SbagenScript script = options.tones
                                             ? session::SbagenScript::FromTones(*options.tones)
                                             : session::SbagenScript::Read(*options.sessionPath);
    for (const auto& warning : script.Warnings())
        std::fprintf(stderr, "tonewell-render: warning: %s\n", warning.c_str());
    // The mix: --input, or else the file the session names with -m.
    std::optional<InputAudio> input;
    if (options.inputPath) {
        input.emplace(*options.inputPath, options.sampleRate);
    } else if (const std::string mixFile = script.MixFilePath(); !mixFile.empty()) {
        const auto& o = script.Options();
        const std::string place =
            script.Name() + ":" + std::to_string(o.mixLine) + ":" + std::to_string(o.mixColumn);
        try {
            input.emplace(mixFile, options.sampleRate, place + ": -m \"" + o.mixFile + "\"");
        } catch (const RenderError& error) {
            throw session::SessionError(error.what());
        }
        // SBaGen+ plays its looping Ogg files on for ever; here the file
        // starts again from its beginning.
        if (InputAudio::IsSbagenLoop(mixFile)) input->Loop();
    }
    std::optional<double> length = options.secondsGiven ? options.seconds : script.Length();
    if (!length && input && !input->Loops() && input->Seconds() > 0.0 &&
        input->Seconds() <= RenderOptions::kMaxSeconds)
        length = input->Seconds();
    if (!length)
        throw RenderError(script.Name() + ": the session plays on without an end (no -E in it); "
                                          "give its length with --seconds");
    // SBaGen+ stops where its mix file ends; so does the render, and says so.
    if (input && !input->Loops() && input->Seconds() > 0.0 && *length > input->Seconds()) {
        std::fprintf(stderr,
                     "tonewell-render: warning: the mix ends after %s: the render stops there, "
                     "as SBaGen+ does\n",
                     session::FormatClock(input->Seconds()).c_str());
        length = input->Seconds();
    }
    const session::SbagenTimeline timeline(script);
    if (options.printSession) {
        std::fputs(timeline.Listing(*length).c_str(), stdout);
        return 0;
    }
    if (const int line = script.MixLine(); line > 0 && !input)
        throw session::SessionError(
            script.Name() + ":" + std::to_string(line) +
            ":1: expected --input FILE or -m FILE: this tone-set plays the mix");

    PluginSession plugin(options.modulePath);
    session::PluginVoiceFactory voices(plugin);
    std::optional<InputMix> mix;
    if (input) mix.emplace(*input);
    session::SessionPlayer player(timeline, options.sampleRate, voices, mix ? &*mix : nullptr);
    // The voices of a session are independent instruments: a second core
    // shares them unless one thread was asked for (the output is the same).
    player.WorkAhead(!options.singleThread);
    RenderOptions effective = options;
    effective.seconds = *length;
    CheckFreeSpace(effective, *length);
    const InterruptGuard interrupts;
    OutputFile output(options.outputPath);
    SbagenRenderer renderer(player, options, *length);
    AudioFileWriter writer(output.ReleaseDescriptor(), options.outputPath, options.fileType,
                           options.sampleFormat, options.sampleRate, 2, renderer.TotalFrames(),
                           options.dither);
    ProgressBar progress(stderr, *length > 1.0, *length);
    renderer.Run(writer, progress);
    writer.Close();
    output.Commit();
    progress.Finish();
    std::fputs(Summary(effective, *length, renderer.Peak()).c_str(), stdout);
    return 0;
}

int Run(int argc, char** argv) {
    const RenderOptions options = RenderOptions::Parse(argc, argv, DefaultModulePath());
    if (options.helpText) {
        std::fputs(options.helpText->c_str(), stdout);
        return 0;
    }
    if (options.tones ||
        (options.sessionPath && session::SessionFormat::IsSbagen(*options.sessionPath)))
        return RunSbagen(options);

    // The session's own mistakes show before the module loads.
    std::optional<SessionScript> script;
    if (options.sessionPath) script = SessionScript::Read(*options.sessionPath);

    PluginSession session(options.modulePath);
    if (options.Lists()) {
        if (options.listPrograms) std::fputs(session.Programs().Listing().c_str(), stdout);
        if (options.listParams) std::fputs(session.Parameters().Listing().c_str(), stdout);
        return 0;
    }

    // Everything the plug-in can check is checked before the output exists.
    RenderOptions effective = options;
    if (script) {
        for (const auto& event : script->Events()) {
            if (event.kind == SessionScript::Kind::Note)
                effective.notes.push_back(
                    {event.seconds, event.note, event.velocity, event.durationSeconds});
        }
    }
    const StartingChanges changes(effective, session.Parameters(), session.Programs());
    const std::vector<double> start = session.StartingValues(changes);
    RejectSilentSynthesizer(effective, session.Parameters(), start);
    std::optional<SessionTimeline> timeline;
    if (script) {
        timeline.emplace(
            *script, session.Parameters(), session.Programs(), start,
            [&](int index) -> const std::vector<double>& { return session.ProgramValues(index); },
            RenderOptions::kMaxSeconds);
        for (const auto& warning : timeline->Warnings())
            std::fprintf(stderr, "tonewell-render: %s\n", warning.c_str());
        // --seconds renders the first seconds of a session.
        effective.seconds = options.secondsGiven ? options.seconds : timeline->Seconds();
        for (const auto& note : options.notes) {
            if (note.startSeconds >= effective.seconds)
                throw RenderError("--note at " + FormatNumber(note.startSeconds) +
                                  " s starts at or after the end of the session (" +
                                  FormatNumber(effective.seconds) + " s)");
        }
        if (options.printSession) {
            std::fputs(timeline->Listing().c_str(), stdout);
            return 0;
        }
        if (options.exportAutomationPath)
            AutomationExport::Write(*options.exportAutomationPath, *timeline, session.Parameters());
        if (options.WritesNoAudio()) return 0;
    }
    std::optional<InputAudio> input;
    if (options.inputPath) {
        input.emplace(*options.inputPath, options.sampleRate);
        if (!timeline && !options.secondsGiven) {
            if (input->Seconds() <= 0.0 || input->Seconds() > RenderOptions::kMaxSeconds)
                throw RenderError("--input \"" + *options.inputPath +
                                  "\": its length is not a length to render; give --seconds");
            effective.seconds = input->Seconds();
        }
    }
    CheckFreeSpace(effective, effective.seconds);
    const InterruptGuard interrupts;
    OutputFile output(options.outputPath);
    SessionAutomation automation;
    if (timeline)
        automation = SessionAutomation(*timeline, session.Parameters(), session.Programs(),
                                       options.sampleRate);
    Renderer renderer(session.Instance(), effective, changes, std::move(automation),
                      input ? &*input : nullptr);
    AudioFileWriter writer(output.ReleaseDescriptor(), options.outputPath, options.fileType,
                           options.sampleFormat, options.sampleRate, 2, renderer.TotalFrames(),
                           options.dither);
    ProgressBar progress(stderr, effective.seconds > 1.0, effective.seconds);
    renderer.Run(writer, progress);
    writer.Close();
    output.Commit();
    progress.Finish();
    std::fputs(Summary(effective, effective.seconds, renderer.Peak()).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "tonewell-render: %s\n", error.what());
    } catch (const session::SessionError& error) {
        std::fprintf(stderr, "tonewell-render: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tonewell-render: unexpected failure: %s\n", error.what());
    }
    return 1;
}
