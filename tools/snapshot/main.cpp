// tonewell-snapshot: builds the sample editor on a headless surface, plays
// scripted pointer and key events on it, and writes what the screen shows to
// a PNG file.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "EventRunner.h"
#include "EventScript.h"
#include "PngWriter.h"
#include "SampleEditor.h"
#include "SnapshotError.h"

using namespace tonewell::snapshot;

namespace {

constexpr const char* kEventHelp =
    "Events, one per line in a script, or ';'-separated in --event:\n"
    "  press X Y [MODS]     release X Y [MODS]    drag X Y [MODS]\n"
    "  click X Y [MODS]     double X Y [MODS]     wheel X Y DELTA [MODS]\n"
    "  over X Y [MODS]      leave                 key X Y CODE\n"
    "  tick [N]             paint\n"
    "MODS: left, right, shift, control (ctrl), alt. Button events use the left\n"
    "button unless right is named. '#' starts a comment. The script runs first,\n"
    "then the --event texts in order; a last timer tick paints what changed.\n";

// Every --event text may hold several events separated by ';'; they are
// numbered in order for messages.
std::vector<ScriptEvent> ParseEventOptions(const std::vector<std::string>& texts) {
    std::vector<ScriptEvent> events;
    int number = 0;
    for (const std::string& text : texts) {
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = std::min(text.find(';', start), text.size());
            ScriptEvent event;
            if (EventScript::ParseLine(text.substr(start, end - start), ++number, "--event", event))
                events.push_back(event);
            start = end + 1;
        }
    }
    return events;
}

int Run(int argc, char** argv) {
    std::string outputPath = "snapshot.png";
    std::string scriptPath;
    std::vector<std::string> eventTexts;
    bool list = false;

    CLI::App app("Plays pointer and key events on Tonewell's sample editor surface and "
                 "writes the screen to a PNG file.",
                 "tonewell-snapshot");
    app.add_option("-o,--output", outputPath, "PNG file to write")
        ->type_name("FILE")
        ->capture_default_str();
    app.add_option("-s,--script", scriptPath, "Event script to play")->type_name("FILE");
    app.add_option("-e,--event", eventTexts, "Events to play after the script; repeatable")
        ->type_name("EVENTS");
    app.add_flag("-l,--list", list,
                 "Print every control (index, parameter, bounds, value) after the events");
    app.footer(kEventHelp);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        throw SnapshotError(error.what());
    }

    // Everything is read and checked before the surface exists.
    std::vector<ScriptEvent> events;
    if (!scriptPath.empty()) events = EventScript::Load(scriptPath);
    for (const ScriptEvent& event : ParseEventOptions(eventTexts))
        events.push_back(event);

    SampleEditor editor;
    EventRunner runner(editor.Surface());
    runner.Run(events);
    const RAST_MemBitmap& screen = runner.Finish();
    PngWriter::WriteFile(screen, outputPath);
    if (list) {
        std::fputs(editor.Listing().c_str(), stdout);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "tonewell-snapshot: wrote %s (%d x %d, %zu events)\n", outputPath.c_str(),
                 screen.width(), screen.height(), events.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const SnapshotError& error) {
        std::fprintf(stderr, "tonewell-snapshot: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tonewell-snapshot: unexpected failure: %s\n", error.what());
    }
    return 1;
}
