// tonewell-snapshot: builds the instrument's editor on a headless surface,
// sets a program and parameters as a host would, plays scripted pointer and
// key events on it, and writes what the screen shows to a PNG file.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "EventRunner.h"
#include "EventScript.h"
#include "InstrumentEditor.h"
#include "ParameterAssignment.h"
#include "ParameterCatalog.h"
#include "PngWriter.h"
#include "ProgramCatalog.h"
#include "RenderError.h"
#include "SnapshotError.h"

using namespace tonewell::snapshot;
using tonewell::render::ParameterAssignment;
using tonewell::render::ParameterCatalog;
using tonewell::render::ProgramCatalog;

namespace {

// One event a line, its form and its meaning apart by two spaces or more, so
// that help2man makes the manual page's event table from it.
constexpr const char* kEventHelp =
    "Events, one per line in a script, or ';'-separated in --event (X and Y in the\n"
    "editor's own coordinates, 368 x 370):\n"
    "  press X Y [MODS]        press a button at X, Y\n"
    "  release X Y [MODS]      release it at X, Y\n"
    "  drag X Y [MODS]         move the pointer to X, Y with the button held\n"
    "  click X Y [MODS]        press and release at X, Y\n"
    "  double X Y [MODS]       double-click at X, Y\n"
    "  wheel X Y DELTA [MODS]  turn the wheel over X, Y by DELTA notches\n"
    "  over X Y [MODS]         move the pointer to X, Y, no button held\n"
    "  leave                   move the pointer out of the editor\n"
    "  key X Y CODE            press the key CODE with the pointer at X, Y\n"
    "  tick [N]                run N timer ticks (1 when N is left out)\n"
    "  paint                   repaint the whole editor\n"
    "\n"
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

// A display scale factor from 1 to 4, the whole text a number.
double ParseScale(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    const double factor = std::strtod(start, &end);
    if (end == start || *end != '\0' || !std::isfinite(factor) ||
        factor < IGraphics::kMinScaleFactor || factor > IGraphics::kMaxScaleFactor)
        throw SnapshotError("--scale takes a factor from 1 to 4, not '" + text + "'");
    return factor;
}

// The program first, then every --set in order, then the note: what a host
// does before it shows the editor.
void Prepare(InstrumentEditor& editor, const std::string& program,
             const std::vector<std::string>& sets, int note) {
    CLS_TONEWELL& plug = editor.Plug();
    const ParameterCatalog parameters(plug);
    if (!program.empty()) {
        const ProgramCatalog programs(plug);
        editor.SelectProgram(programs.Resolve(program));
    }
    for (const std::string& text : sets) {
        const ParameterAssignment assignment = ParameterAssignment::Parse(text);
        const auto& parameter = parameters.Find(assignment.name);
        editor.SetParameter(static_cast<int>(parameter.id),
                            parameters.ToNormalized(parameter, assignment.value));
    }
    if (note >= 0) {
        // Notes sound only in synthesizer mode, as with the renderer.
        editor.SetParameter(ParamMode, 1.0);
        editor.PlayNote(note, 100);
    }
}

int Run(int argc, char** argv) {
    std::string outputPath = "snapshot.png";
    std::string scriptPath;
    std::vector<std::string> eventTexts;
    std::string program;
    std::vector<std::string> sets;
    int note = -1;
    std::string scaleText = "1";
    bool list = false;

    CLI::App app("Shows Tonewell's editor on a surface without a window: sets a program and "
                 "parameters, plays pointer and key events on it and writes the screen to a "
                 "PNG file.",
                 "tonewell-snapshot");
    app.add_option("-p,--program", program,
                   "Program number, name or part of a name, as tonewell-render")
        ->type_name("PROGRAM");
    app.add_option("--set", sets, "Name=value in plain units or a value text; repeatable")
        ->type_name("NAME=VALUE");
    app.add_option("--note", note, "A held note (synthesizer mode), shown by the display")
        ->type_name("NOTE")
        ->check(CLI::Range(0, 127));
    app.add_option("-o,--output", outputPath, "PNG file to write")
        ->type_name("FILE")
        ->capture_default_str();
    app.add_option("--scale", scaleText,
                   "Draw the editor at this display scale factor, 1 to 4 (2 for the bundle's 2x "
                   "snapshot); event coordinates stay those of scale 1")
        ->type_name("FACTOR")
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
    const double scale = ParseScale(scaleText);
    std::vector<ScriptEvent> events;
    if (!scriptPath.empty()) events = EventScript::Load(scriptPath);
    for (const ScriptEvent& event : ParseEventOptions(eventTexts))
        events.push_back(event);

    InstrumentEditor editor;
    editor.Surface().SetScaleFactor(scale);
    Prepare(editor, program, sets, note);
    EventRunner runner(editor.Surface());
    runner.Run(events);
    const RAST_MemBitmap& image = runner.Finish();
    PngWriter::WriteFile(image, outputPath);
    if (list) {
        std::fputs(editor.Listing().c_str(), stdout);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "tonewell-snapshot: wrote %s (%d x %d, %zu events)\n", outputPath.c_str(),
                 image.width(), image.height(), events.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const SnapshotError& error) {
        std::fprintf(stderr, "tonewell-snapshot: %s\n", error.what());
    } catch (const tonewell::render::RenderError& error) {
        std::fprintf(stderr, "tonewell-snapshot: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tonewell-snapshot: unexpected failure: %s\n", error.what());
    }
    return 1;
}
