#include "MainWindowWin.h"
#include "ProgramWindow.h"
#include "WideTextWin.h"

namespace tonewell::standalone {

std::unique_ptr<ProgramWindow> ProgramWindow::Open(render::PluginSession& session,
                                                   LivePlayer& player, ParameterChangeQueue& queue,
                                                   NoteQueue& keyNotes, int program,
                                                   const OutputMenu& output,
                                                   const BarOptions& bar) {
    return std::make_unique<MainWindowWin>(session, player, queue, keyNotes, program, output, bar);
}

void ProgramWindow::ReportFailure(const std::string& message) {
    if (!MainWindowWin::StartedFromMenu()) return;
    MessageBoxW(nullptr, Wide(message).c_str(), L"Tonewell", MB_OK | MB_ICONERROR);
}

} // namespace tonewell::standalone
