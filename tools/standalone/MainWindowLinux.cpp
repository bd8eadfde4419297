#include "MainWindowLinux.h"

#include <PluginSession.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <string>

#include "HostPlugFrameLinux.h"
#include "LivePlayer.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"

namespace tonewell::standalone {

using namespace Steinberg;

namespace {

// The meter shows the last 60 dB, where tones are heard, in steps of a
// hundredth: a steady tone's peak wavers below that, and each change
// redraws the bar.
int MeterStep(float peak) {
    if (!(peak > 0.f)) return 0;
    return static_cast<int>(std::clamp((20.0 * std::log10(peak) + 60.0) / 60.0, 0.0, 1.0) * 100.0);
}

} // namespace

MainWindowLinux::MainWindowLinux(render::PluginSession& session, LivePlayer& player,
                                 ParameterChangeQueue& queue, NoteQueue& keyNotes, int program,
                                 const OutputMenu& output)
    : session_(session), player_(player), queue_(queue), keyNotes_(keyNotes), output_(output) {
    // The editor embeds itself in an X11 window: GTK must draw on X11 too.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr))
        throw PlayError("cannot open a window: no X display (DISPLAY is not set or not "
                        "reachable); --no-window plays without one");

    auto* controller = session_.Instance().Controller();
    view_ = owned(controller->createView(Vst::ViewType::kEditor));
    if (!view_ || view_->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
        throw PlayError("the instrument has no editor for X11; --no-window plays without one");
    ViewRect size;
    if (view_->getSize(&size) != kResultOk || size.getWidth() <= 0 || size.getHeight() <= 0)
        throw PlayError("the instrument's editor has no size");

    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), "Tonewell");
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(bar), 6);

    transport_ = gtk_toggle_button_new_with_label("Stop");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transport_), player_.Transport());
    gtk_widget_set_tooltip_text(transport_, "Starts and stops the transport");
    g_signal_connect(transport_, "toggled", G_CALLBACK(&MainWindowLinux::OnTransport), this);
    gtk_box_pack_start(GTK_BOX(bar), transport_, FALSE, FALSE, 0);

    GtkWidget* programs = programs_ = gtk_combo_box_text_new();
    const auto& names = session_.Programs().Names();
    for (std::size_t i = 0; i < names.size(); ++i)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(programs),
                                       (std::to_string(i) + "  " + names[i]).c_str());
    // Long program names are cut short, so the window keeps the editor's width.
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(programs));
    for (GList* cell = cells; cell != nullptr; cell = cell->next)
        g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, "max-width-chars", 22, nullptr);
    g_list_free(cells);
    gtk_combo_box_set_active(GTK_COMBO_BOX(programs), program);
    gtk_widget_set_sensitive(programs, session_.Parameters().ProgramChangeId().has_value());
    g_signal_connect(programs, "changed", G_CALLBACK(&MainWindowLinux::OnProgram), this);
    gtk_box_pack_start(GTK_BOX(bar), programs, TRUE, TRUE, 0);

    meter_ = gtk_level_bar_new_for_interval(0.0, 1.0);
    gtk_widget_set_size_request(meter_, 80, -1);
    gtk_widget_set_valign(meter_, GTK_ALIGN_CENTER);
    gtk_widget_set_tooltip_text(meter_, "Output level, the last 60 dB");
    gtk_box_pack_start(GTK_BOX(bar), meter_, FALSE, FALSE, 0);

    // The output's choices, below: choosing one plays on through it.
    GtkWidget* outputRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(outputRow), 6);
    const auto list = [&](const std::vector<std::string>& items, int selected, const char* tip,
                          bool expand) {
        GtkWidget* combo = gtk_combo_box_text_new();
        for (const auto& item : items)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selected);
        gtk_widget_set_tooltip_text(combo, tip);
        g_signal_connect(combo, "changed", G_CALLBACK(&MainWindowLinux::OnOutput), this);
        gtk_box_pack_start(GTK_BOX(outputRow), combo, expand, expand, 0);
        return combo;
    };
    std::vector<std::string> rates, buffers;
    for (const unsigned int rate : output_.rates)
        rates.push_back(std::to_string(rate) + " Hz");
    for (const unsigned int buffer : output_.buffers)
        buffers.push_back(std::to_string(buffer) + " frames");
    device_ = list(output_.devices, output_.device, "Output device", true);
    GList* deviceCells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(device_));
    for (GList* cell = deviceCells; cell != nullptr; cell = cell->next)
        g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, "max-width-chars", 8, nullptr);
    g_list_free(deviceCells);
    rate_ = list(rates, output_.rate, "Sample rate", false);
    buffer_ = list(buffers, output_.buffer, "Buffer size", false);

    editor_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(editor_, size.getWidth(), size.getHeight());
    // A view without a scale stays at 1 and is simply small on a HiDPI screen.
    scaleSupport_ = FUnknownPtr<IPlugViewContentScaleSupport>(view_);
    gtk_box_pack_start(GTK_BOX(column), bar, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), outputRow, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), editor_, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window_), column);
    g_signal_connect(window_, "delete-event", G_CALLBACK(&MainWindowLinux::OnDelete), this);
    // Before the focused widget sees them: the keys play notes.
    g_signal_connect(window_, "key-press-event", G_CALLBACK(&MainWindowLinux::OnKey), this);
    g_signal_connect(window_, "key-release-event", G_CALLBACK(&MainWindowLinux::OnKey), this);
    gtk_widget_show_all(window_);
    // GTK's scale is known once the window is realized; the editor, which
    // counts in device pixels, gets it before it opens.
    ApplyScale();
    g_signal_connect(window_, "notify::scale-factor", G_CALLBACK(&MainWindowLinux::OnScale), this);

    // The editor's window goes inside an X window of the drawing area's own.
    GdkWindow* area = gtk_widget_get_window(editor_);
    if (!area || !gdk_window_ensure_native(area))
        throw PlayError("cannot make an X11 window for the editor");
    // Edits made in the editor go to the processor as a DAW sends them.
    forwarder_ = EditForwarder::Create(queue_);
    controller->setComponentHandler(forwarder_);
    runLoop_ = GlibRunLoopLinux::Create();
    frame_ = tonewell::hostkit::HostPlugFrameLinux::Create(
        runLoop_, [this](int width, int height) { SizeEditor(width, height); });
    view_->setFrame(frame_);
    const auto xid = static_cast<std::uintptr_t>(gdk_x11_window_get_xid(area));
    // The editor opens its own display connection: the window must already
    // exist on the server when it looks for it.
    gdk_display_sync(gtk_widget_get_display(editor_));
    if (view_->attached(reinterpret_cast<void*>(xid), kPlatformTypeX11EmbedWindowID) != kResultOk) {
        view_->setFrame(nullptr);
        scaleSupport_ = nullptr;
        view_ = nullptr;
        throw PlayError("the instrument's editor did not open in the window");
    }
    loop_ = g_main_loop_new(nullptr, FALSE);
}

MainWindowLinux::~MainWindowLinux() {
    Detach();
    if (tick_) g_source_remove(tick_);
    // The controller outlives the window: it must not call a handler that
    // forwards into a queue nobody reads.
    if (forwarder_) session_.Instance().Controller()->setComponentHandler(nullptr);
    if (window_) gtk_widget_destroy(window_);
    if (loop_) g_main_loop_unref(loop_);
    // What destroying the widgets left to do, before the display goes.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void MainWindowLinux::Run(std::function<bool()> stopRequested) {
    stopRequested_ = std::move(stopRequested);
    tick_ = g_timeout_add(50, &MainWindowLinux::OnTick, this);
    g_main_loop_run(loop_);
}

void MainWindowLinux::Detach() {
    if (!view_) return;
    view_->removed();
    view_->setFrame(nullptr);
    scaleSupport_ = nullptr;
    view_ = nullptr;
}

void MainWindowLinux::SizeEditor(int width, int height) {
    // GTK counts in logical units; rounding up keeps the last device pixels.
    const auto logical = [this](int pixels) { return (pixels + scale_ - 1) / scale_; };
    gtk_widget_set_size_request(editor_, logical(width), logical(height));
}

void MainWindowLinux::ApplyScale() {
    scale_ = std::max(1, gtk_widget_get_scale_factor(window_));
    if (!view_) return;
    // Once attached, the view asks the frame for its new size itself.
    if (scaleSupport_) scaleSupport_->setContentScaleFactor(static_cast<float>(scale_));
    ViewRect size;
    if (view_->getSize(&size) == kResultOk && size.getWidth() > 0 && size.getHeight() > 0)
        SizeEditor(size.getWidth(), size.getHeight());
}

void MainWindowLinux::OnScale(GtkWidget*, void*, void* self) {
    static_cast<MainWindowLinux*>(self)->ApplyScale();
}

void MainWindowLinux::Quit() {
    if (g_main_loop_is_running(loop_)) g_main_loop_quit(loop_);
}

int MainWindowLinux::OnDelete(GtkWidget*, void*, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    // The editor leaves before its parent window does.
    window.Detach();
    window.Quit();
    return TRUE;
}

void MainWindowLinux::OnTransport(GtkWidget* button, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const bool playing = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
    window.player_.SetTransport(playing);
    gtk_button_set_label(GTK_BUTTON(button), playing ? "Stop" : "Play");
}

void MainWindowLinux::OnProgram(GtkWidget* list, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(list));
    const auto programChange = window.session_.Parameters().ProgramChangeId();
    if (index < 0 || !programChange) return;
    const double value = window.session_.Programs().NormalizedValue(index);
    // The controller shows the program; the processor gets it from the queue.
    window.session_.Instance().Controller()->setParamNormalized(*programChange, value);
    window.queue_.Push({*programChange, value});
}

int MainWindowLinux::ProgramShown() const {
    return gtk_combo_box_get_active(GTK_COMBO_BOX(programs_));
}

void MainWindowLinux::OnOutput(GtkWidget*, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const auto selected = [](GtkWidget* list) {
        return gtk_combo_box_get_active(GTK_COMBO_BOX(list));
    };
    // The program plays on through the new output, in a new window.
    window.outputChosen_ = ChoiceOf(window.output_, selected(window.device_),
                                    selected(window.rate_), selected(window.buffer_));
    window.Detach();
    window.Quit();
}

int MainWindowLinux::OnKey(GtkWidget*, void* event, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const auto* key = static_cast<const GdkEventKey*>(event);
    // Shortcuts with Ctrl or Alt stay GTK's.
    if (key->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
    const auto character =
        static_cast<char32_t>(gdk_keyval_to_unicode(gdk_keyval_to_lower(key->keyval)));
    const auto note = key->type == GDK_KEY_PRESS ? window.keyboard_.Press(character)
                                                 : window.keyboard_.Release(character);
    if (note) window.keyNotes_.Push(*note);
    return note.has_value();
}

int MainWindowLinux::OnTick(void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    if (const int step = MeterStep(window.player_.LastPeak()); step != window.meterShown_) {
        window.meterShown_ = step;
        gtk_level_bar_set_value(GTK_LEVEL_BAR(window.meter_), step / 100.0);
    }
    if (window.player_.Finished() || (window.stopRequested_ && window.stopRequested_())) {
        window.Detach();
        window.Quit();
    }
    return G_SOURCE_CONTINUE;
}

} // namespace tonewell::standalone
