#include "RenderOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <tuple>

#include "AutomationExport.h"
#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {

namespace {

std::string Extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

double ParseSeconds(const std::string& text) {
    const auto value = ParseNumber(text);
    if (!value || *value <= 0.0 || *value > RenderOptions::kMaxSeconds)
        throw RenderError("--seconds must be a number above 0 and at most " +
                          FormatNumber(RenderOptions::kMaxSeconds) + " (got \"" + text + "\")");
    return *value;
}

int ParseBoundedInteger(const std::string& option, const std::string& text, int low, int high) {
    const auto value = ParseInteger(text);
    if (!value || *value < low || *value > high)
        throw RenderError(option + " must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + " (got \"" + text + "\")");
    return static_cast<int>(*value);
}

} // namespace

RenderOptions RenderOptions::Parse(int argc, const char* const* argv,
                                   const std::string& defaultModulePath) {
    RenderOptions options;
    std::string secondsText = "10";
    std::string rateText = std::to_string(options.sampleRate);
    std::string blockText = std::to_string(options.blockSize);
    std::string formatText = "float";
    std::string programText;
    std::vector<std::string> setTexts;
    std::vector<std::string> noteTexts;
    options.modulePath = defaultModulePath;

    CLI::App app("Renders the Tonewell instrument offline into a WAV or FLAC file.",
                 "tonewell-render");
    app.add_option("--module", options.modulePath, "VST 3 module to load")
        ->type_name("PATH")
        ->capture_default_str();
    app.add_flag("--list-programs", options.listPrograms, "List the factory programs and exit");
    app.add_flag("--list-params", options.listParams,
                 "List the parameters (range or texts, default, unit) and exit");
    app.add_option("--program", programText,
                   "Program to load: its number, its name or a part of its name")
        ->type_name("NUMBER|NAME");
    app.add_option("--set", setTexts,
                   "Set a parameter, \"Name=value\" in plain units or a value text "
                   "(\"Wave=Triangle\"); repeatable, applied after --program")
        ->type_name("NAME=VALUE");
    app.add_option("--note", noteTexts,
                   "Play a note, \"TIME:NOTE:VELOCITY:DURATION\" (seconds, MIDI note 0-127, "
                   "velocity 1-127, seconds); repeatable; switches to synthesizer mode")
        ->type_name("T:N:V:D");
    std::string fadeInText = "0";
    std::string fadeOutText = "0.02";
    app.add_option("--fade-in", fadeInText, "Raised-cosine fade-in at the start, in seconds")
        ->type_name("SECONDS")
        ->capture_default_str();
    app.add_option("--fade-out", fadeOutText,
                   "Raised-cosine fade-out at the end, in seconds, so the file ends without a "
                   "click (0 for none)")
        ->type_name("SECONDS")
        ->capture_default_str();
    std::string inputText;
    app.add_option("--input", inputText,
                   "Audio file fed into the instrument's input, which adds its tones to it; "
                   "the render lasts as long as the file unless --seconds says otherwise")
        ->type_name("FILE");
    std::string ditherText = "tpdf";
    app.add_option("--dither", ditherText, "Dither of 16- and 24-bit output: tpdf or none")
        ->type_name("tpdf|none")
        ->capture_default_str();
    std::string sessionText;
    std::string exportText;
    app.add_option("--session", sessionText,
                   "Play a session file: Tonewell's own (timed programs, settings, slides and "
                   "notes; its end line sets the length) or SBaGen's (.sbg: tone-sets and time "
                   "lines, played by Tonewell's voices); see the README")
        ->type_name("FILE");
    std::string tonesText;
    app.add_option("--tones", tonesText,
                   "Play an SBaGen tone-set from the start, as SBaGen's -i: "
                   "\"pink/40 200+10/20 300@8/15\" (needs --seconds)")
        ->type_name("SPECS");
    app.add_flag("--print-session", options.printSession,
                 "Print the session's timeline (every touched parameter at each event; for SBaGen "
                 "sessions the times, tone-sets, voices and transitions) and exit");
    app.add_option("--export-automation", exportText,
                   "Write the session's notes and program changes as a Standard MIDI File, and "
                   "its parameter automation as a CSV beside it (FILE with .csv)")
        ->type_name("FILE.mid");
    auto* secondsOption =
        app.add_option("--seconds", secondsText, "Length of the render in seconds")
            ->type_name("SECONDS")
            ->capture_default_str();
    app.add_option("--rate", rateText, "Sample rate in Hz")->type_name("HZ")->capture_default_str();
    app.add_option("--block", blockText, "Frames per processing block")
        ->type_name("FRAMES")
        ->capture_default_str();
    app.add_option("-o,--output", options.outputPath,
                   "Output file; .wav or .flac (the type follows the extension)")
        ->type_name("FILE");
    app.add_option("--format", formatText,
                   "Sample format: float, pcm16 or pcm24 (FLAC needs pcm16 or pcm24)")
        ->type_name("FORMAT")
        ->capture_default_str();
    app.add_flag("--single-thread", options.singleThread,
                 "Render and write the file on one thread (by default the file is written on a "
                 "second thread while rendering goes on; the output is the same)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        options.helpText = app.help();
        return options;
    } catch (const CLI::ParseError& error) {
        throw RenderError(error.what());
    }

    if (options.modulePath.empty()) throw RenderError("--module needs the path of a VST 3 module");
    if (!programText.empty()) options.program = programText;
    if (!sessionText.empty()) options.sessionPath = sessionText;
    if (!tonesText.empty()) options.tones = tonesText;
    if (options.tones && options.sessionPath)
        throw RenderError("--tones and --session are two sessions: give one of them");
    if (!inputText.empty()) options.inputPath = inputText;
    options.secondsGiven = secondsOption->count() > 0;
    if (!exportText.empty()) {
        AutomationExport::CsvPathFor(exportText);
        options.exportAutomationPath = exportText;
    }
    if (options.printSession && !options.sessionPath && !options.tones)
        throw RenderError("--print-session needs a --session FILE or --tones");
    if (options.exportAutomationPath && !options.sessionPath)
        throw RenderError("--export-automation needs a --session FILE");
    for (const auto& text : setTexts)
        options.assignments.push_back(ParameterAssignment::Parse(text));
    options.seconds = ParseSeconds(secondsText);
    for (const auto& [option, text, target] :
         {std::tuple{"--fade-in", &fadeInText, &options.fadeInSeconds},
          std::tuple{"--fade-out", &fadeOutText, &options.fadeOutSeconds}}) {
        const auto value = ParseNumber(*text);
        if (!value || *value < 0.0 || *value > kMaxSeconds)
            throw RenderError(std::string(option) +
                              " must be a number of seconds, 0 or more (got \"" + *text + "\")");
        *target = *value;
    }
    options.sampleRate = ParseBoundedInteger("--rate", rateText, kMinRate, kMaxRate);
    options.blockSize = ParseBoundedInteger("--block", blockText, 1, kMaxBlock);
    for (const auto& text : noteTexts) {
        const NoteRequest note = NoteRequest::Parse(text);
        if (options.tones) throw RenderError("--note does not go with --tones");
        if (!options.sessionPath && note.startSeconds >= options.seconds)
            throw RenderError("--note \"" + text +
                              "\": starts at or after the end of the render (" +
                              FormatNumber(options.seconds) + " s)");
        options.notes.push_back(note);
    }

    if (ditherText == "none")
        options.dither = false;
    else if (ditherText != "tpdf")
        throw RenderError("--dither must be tpdf or none (got \"" + ditherText + "\")");

    if (formatText == "float")
        options.sampleFormat = SampleFormat::Float;
    else if (formatText == "pcm16")
        options.sampleFormat = SampleFormat::Pcm16;
    else if (formatText == "pcm24")
        options.sampleFormat = SampleFormat::Pcm24;
    else
        throw RenderError("--format must be float, pcm16 or pcm24 (got \"" + formatText + "\")");

    if (options.WritesNoAudio()) return options;

    if (options.outputPath.empty())
        throw RenderError("no output file: give one with -o/--output (.wav or .flac)");
    const std::string extension = Extension(options.outputPath);
    if (EqualsIgnoringCase(extension, ".wav"))
        options.fileType = FileType::Wav;
    else if (EqualsIgnoringCase(extension, ".flac"))
        options.fileType = FileType::Flac;
    else
        throw RenderError("output file \"" + options.outputPath + "\" must end in .wav or .flac");
    if (options.fileType == FileType::Flac && options.sampleFormat == SampleFormat::Float)
        throw RenderError("FLAC stores whole-number samples: use --format pcm16 or --format pcm24 "
                          "for a .flac output, or write a .wav for float");
    return options;
}

} // namespace tonewell::render
