#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::standalone {

class LivePlayer;
class NoteQueue;
class ParameterChangeQueue;

// The program's window with the instrument's editor, as the platform has it.
class ProgramWindow {
public:
    virtual ~ProgramWindow() = default;

    // Serves the window until it is closed, the player has finished, or
    // `stopRequested` answers true (asked a few times a second).
    virtual void Run(std::function<bool()> stopRequested) = 0;

    // Shows the window with the editor attached; `program` is the program
    // list's selection, -1 for none, and keys pressed in the window play
    // notes into `keyNotes`. Throws PlayError when it cannot (no display, an
    // editor that does not open, or a platform without the window yet).
    static std::unique_ptr<ProgramWindow> Open(render::PluginSession& session, LivePlayer& player,
                                               ParameterChangeQueue& queue, NoteQueue& keyNotes,
                                               int program);

    // Shows a failure in a message box when the program was started from a
    // menu rather than a terminal (Windows), where its console vanishes with
    // it; otherwise nothing, stderr has said it.
    static void ReportFailure(const std::string& message);
};

} // namespace tonewell::standalone
