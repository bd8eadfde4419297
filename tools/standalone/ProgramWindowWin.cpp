#include "MainWindowWin.h"
#include "ProgramWindow.h"

namespace tonewell::standalone {

std::unique_ptr<ProgramWindow> ProgramWindow::Open(render::PluginSession& session,
                                                   LivePlayer& player, ParameterChangeQueue& queue,
                                                   NoteQueue& keyNotes, int program) {
    return std::make_unique<MainWindowWin>(session, player, queue, keyNotes, program);
}

} // namespace tonewell::standalone
