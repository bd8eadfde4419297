#include "PlayError.h"
#include "ProgramWindow.h"

namespace tonewell::standalone {

std::unique_ptr<ProgramWindow> ProgramWindow::Open(render::PluginSession&, LivePlayer&,
                                                   ParameterChangeQueue&, NoteQueue&, int) {
    throw PlayError("this Windows version has no window yet; play with --no-window "
                    "(tonewell --help lists what it does)");
}

} // namespace tonewell::standalone
