#include <cstdlib>
#include <gtk/gtk.h>
#include <unistd.h>

#include "MainWindowLinux.h"
#include "ProgramWindow.h"

namespace tonewell::standalone {

namespace {

// Started from a desktop's menu or launcher rather than a terminal: the
// launchers of the freedesktop world leave one of these behind (GLib's, and
// startup notification's), and stderr goes to a log nobody reads.
bool StartedFromMenu() {
    if (isatty(STDERR_FILENO)) return false;
    for (const char* name :
         {"GIO_LAUNCHED_DESKTOP_FILE", "DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

// Read at start-up: GTK takes the startup notification's variables away.
const bool kStartedFromMenu = StartedFromMenu();

} // namespace

std::unique_ptr<ProgramWindow> ProgramWindow::Open(render::PluginSession& session,
                                                   LivePlayer& player, ParameterChangeQueue& queue,
                                                   NoteQueue& keyNotes, int program,
                                                   const OutputMenu& output,
                                                   const BarOptions& bar) {
    return std::make_unique<MainWindowLinux>(session, player, queue, keyNotes, program, output,
                                             bar);
}

void ProgramWindow::ReportFailure(const std::string& message) {
    // Without a display there is nowhere to show it; the log has it.
    if (!kStartedFromMenu) return;
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) return;
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_CLOSE, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "Tonewell");
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

} // namespace tonewell::standalone
