#include "MainWindowWin.h"
#include "ProgramWindow.h"

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
    const int length = MultiByteToWideChar(CP_UTF8, 0, message.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, message.c_str(), -1, text.data(), length);
    MessageBoxW(nullptr, text.c_str(), L"Tonewell", MB_OK | MB_ICONERROR);
}

} // namespace tonewell::standalone
