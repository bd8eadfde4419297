// tonewell-render: loads the Tonewell VST 3 module like a host and renders it
// offline into a WAV or FLAC file.
#include <cstdio>
#include <exception>

#include "AudioFileWriter.h"
#include "DefaultModulePath.h"
#include "InterruptGuard.h"
#include "OutputFile.h"
#include "PluginSession.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "RenderOptions.h"
#include "Renderer.h"
#include "StartingChanges.h"

using namespace tonewell::render;

namespace {

// Synthesizer programs and the default set-up sound only with notes; an
// all-silent file deserves a word of explanation.
void WarnIfSilentSynthesizer(const RenderOptions& options, const ParameterCatalog& parameters) {
    if (!options.notes.empty()) return;
    for (const auto& parameter : parameters.Parameters()) {
        if (parameter.title == "Mode" && parameters.CurrentText(parameter) == "Synthesizer")
            std::fputs("tonewell-render: warning: synthesizer mode without --note renders "
                       "silence; add notes or --set \"Mode=Generator\"\n",
                       stderr);
    }
}

int Run(int argc, char** argv) {
    const RenderOptions options = RenderOptions::Parse(argc, argv, DefaultModulePath());
    if (options.helpText) {
        std::fputs(options.helpText->c_str(), stdout);
        return 0;
    }

    PluginSession session(options.modulePath);
    if (options.Lists()) {
        if (options.listPrograms) std::fputs(session.Programs().Listing().c_str(), stdout);
        if (options.listParams) std::fputs(session.Parameters().Listing().c_str(), stdout);
        return 0;
    }

    // Everything the plug-in can check is checked before the output exists.
    const StartingChanges changes(options, session.Parameters(), session.Programs());
    const InterruptGuard interrupts;
    OutputFile output(options.outputPath);
    Renderer renderer(session.Instance(), options, changes);
    AudioFileWriter writer(output.ReleaseDescriptor(), options.outputPath, options.fileType,
                           options.sampleFormat, options.sampleRate, 2, renderer.TotalFrames());
    ProgressBar progress(stderr, options.seconds > 1.0);
    renderer.Run(writer, progress);
    writer.Close();
    output.Commit();
    progress.Finish();
    WarnIfSilentSynthesizer(options, session.Parameters());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const RenderError& error) {
        std::fprintf(stderr, "tonewell-render: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tonewell-render: unexpected failure: %s\n", error.what());
    }
    return 1;
}
