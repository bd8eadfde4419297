#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OutputSettings.h"

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
    // What the bar offers for the audio output, and what plays now (indexes
    // into the lists).
    struct OutputMenu {
        // The first entry stands for the system's default device.
        std::vector<std::string> devices;
        int device = 0;
        std::vector<unsigned int> rates;
        int rate = 0;
        std::vector<unsigned int> buffers;
        int buffer = 0;
    };

    // Plays on through the output chosen in the bar; empty when it does,
    // else the message for the user (the output playing then is the one
    // returned in `playing`).
    using OutputSwitch = std::function<std::string(const OutputSettings::Choice& choice,
                                                   OutputSettings::Choice& playing)>;

    // How the bar starts and what it does when playing ends.
    struct BarOptions {
        // Called on the window's thread when the bar's output changes.
        OutputSwitch switchOutput;
        // A sleep timer started with the window, in seconds; 0 for none.
        double sleepSeconds = 0.0;
        // At the player's end (a session's) the window stays, stopped;
        // otherwise it closes.
        bool stayAtEnd = false;
        // Set while an SBaGen session plays: the name of its tone-set at a
        // time (seconds into the session), shown in place of the program;
        // choosing a program then ends the session.
        std::function<std::string(double)> toneSetAt;
        // A failure to show in a dialog once the window is up.
        std::string message;
    };

    virtual ~ProgramWindow() = default;

    // Serves the window until it is closed, the player has finished (unless
    // the window stays at the end), or `stopRequested` answers true (asked a
    // few times a second).
    virtual void Run(std::function<bool()> stopRequested) = 0;
    // The program list's selection; -1 for none.
    virtual int ProgramShown() const = 0;
    // The session file opened in the window ("Open session..."), when that
    // is what ended Run: it plays next, from its start.
    virtual std::optional<std::string> SessionChosen() const = 0;
    // The program chosen while an SBaGen session played, when that ended
    // Run; -1 for none.
    virtual int ProgramChosen() const = 0;

    // Shows the window with the editor attached; `program` is the program
    // list's selection, -1 for none, and keys pressed in the window play
    // notes into `keyNotes`; `output` fills the bar's output lists. Throws
    // PlayError when it cannot (no display, an editor that does not open).
    static std::unique_ptr<ProgramWindow> Open(render::PluginSession& session, LivePlayer& player,
                                               ParameterChangeQueue& queue, NoteQueue& keyNotes,
                                               int program, const OutputMenu& output,
                                               const BarOptions& bar);

    // The choice the menu's selections stand for.
    static OutputSettings::Choice ChoiceOf(const OutputMenu& output, int device, int rate,
                                           int buffer);
    // The selections that stand for `choice`, those of `fallback` for what
    // the lists lack; the order is device, rate, buffer.
    static std::array<int, 3> SelectionsOf(const OutputMenu& output,
                                           const OutputSettings::Choice& choice,
                                           const std::array<int, 3>& fallback);

    // Shows a failure in a message box when the program was started from a
    // menu rather than a terminal, where nobody reads stderr; otherwise
    // nothing, stderr has said it.
    static void ReportFailure(const std::string& message);
};

} // namespace tonewell::standalone
