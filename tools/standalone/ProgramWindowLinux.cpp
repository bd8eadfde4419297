#include "MainWindowLinux.h"
#include "ProgramWindow.h"

namespace tonewell::standalone {

std::unique_ptr<ProgramWindow> ProgramWindow::Open(render::PluginSession& session,
                                                   LivePlayer& player, ParameterChangeQueue& queue,
                                                   NoteQueue& keyNotes, int program,
                                                   const OutputMenu& output) {
    return std::make_unique<MainWindowLinux>(session, player, queue, keyNotes, program, output);
}

// A program started from a menu has its messages in the session's log.
void ProgramWindow::ReportFailure(const std::string&) {}

} // namespace tonewell::standalone
