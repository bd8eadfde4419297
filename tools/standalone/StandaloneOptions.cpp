#include "StandaloneOptions.h"

#include <CLI/CLI.hpp>
#include <RenderError.h>
#include <RenderOptions.h>
#include <SessionScript.h>
#include <TextParsing.h>

#include "PlayError.h"

namespace tonewell::standalone {

namespace {

unsigned int ParseBounded(const std::string& option, const std::string& text, long long low,
                          long long high) {
    const auto value = render::ParseInteger(text);
    if (!value || *value < low || *value > high)
        throw PlayError(option + " must be a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high) + " (got \"" + text + "\")");
    return static_cast<unsigned int>(*value);
}

} // namespace

StandaloneOptions StandaloneOptions::Parse(int argc, const char* const* argv,
                                           const std::string& defaultModulePath) {
    StandaloneOptions options;
    options.modulePath = defaultModulePath;
    std::string presetText;
    std::string programText;
    std::vector<std::string> setTexts;
    std::string sessionText;
    std::string secondsText;
    std::string deviceText;
    std::string midiText;
    std::string rateText = std::to_string(options.sampleRate);
    std::string bufferText = std::to_string(options.bufferFrames);

    CLI::App app("Plays the Tonewell instrument through the computer's audio output.", "tonewell");
    app.add_flag("--no-window", options.noWindow,
                 "Play in the terminal, without a window (on Linux the window needs an X "
                 "display); nothing is saved or restored");
    app.add_option("--module", options.modulePath, "VST 3 module to load")
        ->type_name("PATH")
        ->capture_default_str();
    app.add_flag("--list-devices", options.listDevices, "List the audio output devices and exit");
    app.add_flag("--list-midi", options.listMidi, "List the MIDI input ports and exit");
    app.add_flag("--list-programs", options.listPrograms, "List the factory programs and exit");
    app.add_flag("--list-params", options.listParams,
                 "List the parameters --set takes, with their ranges, and exit");
    app.add_option("--preset", presetText,
                   "Start from a VST 3 preset file (.vstpreset); --program and --set apply "
                   "after it")
        ->type_name("FILE");
    app.add_option("--program", programText,
                   "Program to load: its number, its name or a part of its name")
        ->type_name("NUMBER|NAME");
    app.add_option("--set", setTexts,
                   "Set a parameter, \"Name=value\" in plain units or a value text; "
                   "repeatable, applied after --program")
        ->type_name("NAME=VALUE");
    auto* sessionOption =
        app.add_option("--session", sessionText,
                       "Play a session file in real time, Tonewell's own or SBaGen's (.sbg, or "
                       "by its content); its end sets the length")
            ->type_name("FILE");
    std::string tonesText;
    app.add_option("--tones", tonesText,
                   "Play SBaGen tone specs without end, as \"pink/40 200+10/20 300@8/15\"")
        ->type_name("SPECS")
        ->excludes(sessionOption);
    std::string fromText;
    app.add_option("--from", fromText,
                   "Start the --session at this time (SS, MM:SS or HH:MM:SS, with a fraction)")
        ->type_name("TIME");
    app.add_flag("--loop", options.loop, "Play the --session again and again until stopped");
    auto* secondsOption =
        app.add_option("--seconds", secondsText, "Stop after this many seconds (default: Ctrl-C)")
            ->type_name("SECONDS");
    std::string sleepText;
    app.add_option("--sleep-seconds", sleepText,
                   "Sleep timer: fade out over the last 10 seconds of this many and stop (the "
                   "window stays, stopped; without it the program exits)")
        ->type_name("SECONDS");
    app.add_option("--device", deviceText, "Output device number (see --list-devices)")
        ->type_name("N");
    app.add_option("--midi-port", midiText,
                   "MIDI input port to play notes from (default: the first, if any)")
        ->type_name("N");
    app.add_option("--rate", rateText, "Sample rate in Hz")->type_name("HZ")->capture_default_str();
    app.add_option("--buffer", bufferText, "Frames per audio buffer")
        ->type_name("FRAMES")
        ->capture_default_str();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        options.helpText = app.help();
        return options;
    } catch (const CLI::ParseError& error) {
        throw PlayError(error.what());
    }

    if (options.modulePath.empty()) throw PlayError("--module needs the path of a VST 3 module");
    if (!presetText.empty()) options.preset = presetText;
    if (!programText.empty()) options.program = programText;
    if (!sessionText.empty()) options.sessionPath = sessionText;
    if (app.count("--tones") > 0) {
        if (tonesText.find_first_not_of(" \t") == std::string::npos)
            throw PlayError("--tones needs tone specs, such as \"pink/40 200+10/20\"");
        options.tones = tonesText;
    }
    try {
        for (const auto& text : setTexts)
            options.assignments.push_back(render::ParameterAssignment::Parse(text));
    } catch (const render::RenderError& error) {
        throw PlayError(error.what());
    }
    if (secondsOption->count() > 0) {
        const auto value = render::ParseNumber(secondsText);
        if (!value || *value <= 0.0 || *value > render::RenderOptions::kMaxSeconds)
            throw PlayError("--seconds must be a number above 0 and at most " +
                            render::FormatNumber(render::RenderOptions::kMaxSeconds) + " (got \"" +
                            secondsText + "\")");
        options.seconds = *value;
    }
    if (!sleepText.empty()) {
        const auto value = render::ParseNumber(sleepText);
        if (!value || *value <= 0.0 || *value > render::RenderOptions::kMaxSeconds)
            throw PlayError("--sleep-seconds must be a number above 0 and at most " +
                            render::FormatNumber(render::RenderOptions::kMaxSeconds) + " (got \"" +
                            sleepText + "\")");
        options.sleepSeconds = *value;
    }
    if (options.loop && !options.sessionPath) throw PlayError("--loop needs a --session FILE");
    if (!fromText.empty()) {
        double from = 0.0;
        if (!options.sessionPath) throw PlayError("--from needs a --session FILE");
        if (!render::ParseSessionTime(fromText, from) || from < 0.0)
            throw PlayError("--from must be a time such as 90, 1:30 or 0:01:30.5 (got \"" +
                            fromText + "\")");
        options.fromSeconds = from;
    }
    if (!deviceText.empty()) options.device = ParseBounded("--device", deviceText, 0, 9999);
    if (!midiText.empty()) options.midiPort = ParseBounded("--midi-port", midiText, 0, 9999);
    options.sampleRate = ParseBounded("--rate", rateText, kMinRate, kMaxRate);
    options.bufferFrames = ParseBounded("--buffer", bufferText, 16, kMaxBuffer);
    options.outputGiven = app.count("--device") + app.count("--rate") + app.count("--buffer") > 0;
    return options;
}

} // namespace tonewell::standalone
