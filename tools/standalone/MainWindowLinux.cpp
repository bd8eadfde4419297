#include "MainWindowLinux.h"

#include <PluginSession.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <string>

#include "HostPlugFrameLinux.h"
#include "ListeningGuide.h"
#include "LivePlayer.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"

namespace tonewell::standalone {

using namespace Steinberg;

namespace {

// The sleep list's choices, in minutes; 0 is off.
constexpr int kSleepMinutes[] = {0, 15, 30, 60, 90};

// The most programs a search offers in its menu.
constexpr std::size_t kMostMatches = 40;

} // namespace

MainWindowLinux::MainWindowLinux(render::PluginSession& session, LivePlayer& player,
                                 ParameterChangeQueue& queue, NoteQueue& keyNotes, int program,
                                 const OutputMenu& output, const BarOptions& bar)
    : session_(session), player_(player), queue_(queue), keyNotes_(keyNotes),
      groups_(session.Programs().Names()), bar_(bar),
      output_(output), outputShown_{output.device, output.rate, output.buffer} {
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

    // The icon the package installs in the hicolor theme; without it GTK's own.
    gtk_window_set_default_icon_name("tonewell");
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), "Tonewell");
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    const auto row = [column] {
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
        gtk_container_set_border_width(GTK_CONTAINER(box), 3);
        gtk_box_pack_start(GTK_BOX(column), box, FALSE, FALSE, 0);
        return box;
    };

    // The transport, the programs and the search for one.
    GtkWidget* top = row();
    gtk_container_set_border_width(GTK_CONTAINER(top), 6);
    transport_ = gtk_toggle_button_new_with_label(player_.Transport() ? "Stop" : "Play");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transport_), player_.Transport());
    gtk_widget_set_tooltip_text(transport_, "Starts and stops the transport");
    g_signal_connect(transport_, "toggled", G_CALLBACK(&MainWindowLinux::OnTransport), this);
    gtk_box_pack_start(GTK_BOX(top), transport_, FALSE, FALSE, 0);

    // The chosen program's name, cut short to keep the editor's width; the
    // menu shows the names whole.
    programButton_ = gtk_menu_button_new();
    GtkWidget* buttonBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    programLabel_ = gtk_label_new("Choose a program");
    gtk_label_set_ellipsize(GTK_LABEL(programLabel_), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(programLabel_), 12);
    gtk_label_set_xalign(GTK_LABEL(programLabel_), 0.f);
    gtk_box_pack_start(GTK_BOX(buttonBox), programLabel_, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(buttonBox),
                       gtk_image_new_from_icon_name("pan-down-symbolic", GTK_ICON_SIZE_BUTTON),
                       FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(programButton_), buttonBox);
    gtk_menu_button_set_popup(GTK_MENU_BUTTON(programButton_), MakeProgramMenu());
    gtk_widget_set_sensitive(programButton_, session_.Parameters().ProgramChangeId().has_value());
    gtk_box_pack_start(GTK_BOX(top), programButton_, TRUE, TRUE, 0);

    search_ = gtk_search_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(search_), 8);
    gtk_entry_set_placeholder_text(GTK_ENTRY(search_), "Find");
    gtk_widget_set_tooltip_text(search_, "Words of a program's name or group (\"theta\", "
                                         "\"528\"), then Return");
    gtk_widget_set_sensitive(search_, session_.Parameters().ProgramChangeId().has_value());
    g_signal_connect(search_, "activate", G_CALLBACK(&MainWindowLinux::OnSearch), this);
    gtk_box_pack_start(GTK_BOX(top), search_, FALSE, FALSE, 0);

    // What plays: level, position, time played, sleep timer, underruns.
    GtkWidget* status = row();
    gtk_box_set_spacing(GTK_BOX(status), 12);
    meter_ = gtk_level_bar_new_for_interval(0.0, 1.0);
    gtk_widget_set_size_request(meter_, 70, -1);
    gtk_widget_set_valign(meter_, GTK_ALIGN_CENTER);
    gtk_widget_set_tooltip_text(meter_, "Output level, the last 60 dB");
    gtk_box_pack_start(GTK_BOX(status), meter_, FALSE, FALSE, 0);
    const auto label = [status](const char* tip, bool end) {
        GtkWidget* text = gtk_label_new("");
        gtk_widget_set_tooltip_text(text, tip);
        if (end)
            gtk_box_pack_end(GTK_BOX(status), text, FALSE, FALSE, 0);
        else
            gtk_box_pack_start(GTK_BOX(status), text, FALSE, FALSE, 0);
        return text;
    };
    position_ = label("Where the session stands, and its length", false);
    played_ = label("Time played", false);
    underruns_ = label("Gaps in the sound: the output had no sound ready in time", true);
    sleepLeft_ = label("Time until the sleep timer fades the sound out", true);

    // The listener's controls.
    GtkWidget* listening = row();
    volume_ = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0.0, 100.0, 1.0);
    gtk_scale_set_draw_value(GTK_SCALE(volume_), FALSE);
    gtk_range_set_value(GTK_RANGE(volume_), player_.Listener().Volume() * 100.0);
    gtk_widget_set_size_request(volume_, 48, -1);
    gtk_widget_set_tooltip_text(volume_, "Volume: at most the instrument's own level");
    g_signal_connect(volume_, "value-changed", G_CALLBACK(&MainWindowLinux::OnVolume), this);
    gtk_box_pack_start(GTK_BOX(listening), volume_, TRUE, TRUE, 0);
    sleep_ = gtk_combo_box_text_new();
    for (const int minutes : kSleepMinutes) {
        sleepChoices_.push_back(minutes * 60.0);
        gtk_combo_box_text_append_text(
            GTK_COMBO_BOX_TEXT(sleep_),
            minutes == 0 ? "Sleep off" : ("Sleep " + std::to_string(minutes) + " min").c_str());
    }
    int sleepShown = 0;
    if (bar_.sleepSeconds > 0.0) {
        sleepShown = static_cast<int>(sleepChoices_.size());
        sleepChoices_.push_back(bar_.sleepSeconds);
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(sleep_),
                                       ("Sleep " + BarReadout::Clock(bar_.sleepSeconds)).c_str());
        player_.Listener().SetSleep(bar_.sleepSeconds);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(sleep_), sleepShown);
    gtk_widget_set_tooltip_text(sleep_, "Sleep timer: fades out over 10 s and stops");
    g_signal_connect(sleep_, "changed", G_CALLBACK(&MainWindowLinux::OnSleep), this);
    gtk_box_pack_start(GTK_BOX(listening), sleep_, FALSE, FALSE, 0);
    GtkWidget* check = gtk_button_new_with_label("Left / Right");
    gtk_widget_set_tooltip_text(check, "A short tone in the left ear, then in the right: "
                                       "binaural beats need each ear on its own side");
    g_signal_connect(check, "clicked", G_CALLBACK(&MainWindowLinux::OnChannelCheck), this);
    gtk_box_pack_start(GTK_BOX(listening), check, FALSE, FALSE, 0);
    GtkWidget* guide = gtk_button_new_with_label("Help");
    gtk_widget_set_tooltip_text(guide, "Opens the listening guide");
    g_signal_connect(guide, "clicked", G_CALLBACK(&MainWindowLinux::OnGuide), this);
    gtk_box_pack_start(GTK_BOX(listening), guide, FALSE, FALSE, 0);

    // The output's choices, below: choosing one plays on through it.
    GtkWidget* outputRow = row();
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
    ShowProgram(program);
    Refresh();

    editor_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(editor_, size.getWidth(), size.getHeight());
    // A view without a scale stays at 1 and is simply small on a HiDPI screen.
    scaleSupport_ = FUnknownPtr<IPlugViewContentScaleSupport>(view_);
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
    if (matches_) gtk_widget_destroy(matches_);
    if (window_) gtk_widget_destroy(window_);
    if (loop_) g_main_loop_unref(loop_);
    // What destroying the widgets left to do, before the display goes.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void MainWindowLinux::Run(std::function<bool()> stopRequested) {
    stopRequested_ = std::move(stopRequested);
    tick_ = g_timeout_add(BarReadout::kRefreshMs, &MainWindowLinux::OnTick, this);
    // From a source of its own: the tick goes on (and can end playing)
    // while the dialog is open.
    if (!bar_.message.empty())
        g_idle_add(
            [](void* self) -> int {
                auto& window = *static_cast<MainWindowLinux*>(self);
                const std::string message = std::move(window.bar_.message);
                window.bar_.message.clear();
                if (g_main_loop_is_running(window.loop_)) window.ShowMessage(message);
                return G_SOURCE_REMOVE;
            },
            this);
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
    if (dialog_) gtk_dialog_response(GTK_DIALOG(dialog_), GTK_RESPONSE_CANCEL);
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
    // Play after the sleep timer ran out brings the sound back.
    if (playing && window.player_.Listener().Asleep()) window.player_.Listener().Wake();
    window.player_.SetTransport(playing);
    gtk_button_set_label(GTK_BUTTON(button), playing ? "Stop" : "Play");
}

GtkWidget* MainWindowLinux::MakeProgramMenu() {
    const auto& names = session_.Programs().Names();
    programItems_.assign(names.size(), nullptr);
    GtkWidget* menu = gtk_menu_new();
    GtkWidget* open = gtk_menu_item_new_with_label("Open session...");
    gtk_widget_set_tooltip_text(open, "Plays a session file: SBaGen's (.sbg) or Tonewell's own");
    g_signal_connect(open, "activate", G_CALLBACK(&MainWindowLinux::OnOpenSession), this);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), open);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
    for (const auto& group : groups_.Groups()) {
        GtkWidget* submenu = gtk_menu_new();
        for (const int index : group.programs) {
            GtkWidget* item =
                gtk_check_menu_item_new_with_label(names[static_cast<std::size_t>(index)].c_str());
            gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), TRUE);
            g_object_set_data(G_OBJECT(item), "program", GINT_TO_POINTER(index));
            g_signal_connect(item, "activate", G_CALLBACK(&MainWindowLinux::OnProgramItem), this);
            gtk_menu_shell_append(GTK_MENU_SHELL(submenu), item);
            programItems_[static_cast<std::size_t>(index)] = item;
        }
        GtkWidget* entry = gtk_menu_item_new_with_label(group.title.c_str());
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(entry), submenu);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    }
    gtk_widget_show_all(menu);
    return menu;
}

void MainWindowLinux::OnOpenSession(GtkMenuItem*, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        "Open session", GTK_WINDOW(window.window_), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileFilter* sessions = gtk_file_filter_new();
    gtk_file_filter_set_name(sessions, "Sessions (*.sbg, *.txt)");
    gtk_file_filter_add_pattern(sessions, "*.sbg");
    gtk_file_filter_add_pattern(sessions, "*.SBG");
    gtk_file_filter_add_pattern(sessions, "*.txt");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), sessions);
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, "All files");
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), all);
    // From the folder the program was started in, as a terminal user expects.
    gchar* here = g_get_current_dir();
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), here);
    g_free(here);
    window.dialog_ = dialog;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    window.dialog_ = nullptr;
    // Playing may have ended while the chooser was open.
    if (response == GTK_RESPONSE_ACCEPT && g_main_loop_is_running(window.loop_)) {
        if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
            window.sessionChosen_ = name;
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    // The session plays from its start, in the window's place.
    if (window.sessionChosen_) {
        window.Detach();
        window.Quit();
    }
}

void MainWindowLinux::ShowProgram(int index) {
    const auto& names = session_.Programs().Names();
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) index = -1;
    showing_ = true;
    // A check item set active or inactive activates itself: the guard keeps
    // that from choosing a program.
    for (const int shown : {program_, index})
        if (shown >= 0 && programItems_[static_cast<std::size_t>(shown)])
            gtk_check_menu_item_set_active(
                GTK_CHECK_MENU_ITEM(programItems_[static_cast<std::size_t>(shown)]),
                shown == index);
    showing_ = false;
    program_ = index;
    const std::string name =
        index >= 0 ? names[static_cast<std::size_t>(index)] : std::string("Choose a program");
    gtk_label_set_text(GTK_LABEL(programLabel_), name.c_str());
    gtk_widget_set_tooltip_text(programButton_, name.c_str());
}

void MainWindowLinux::ChooseProgram(int index) {
    const auto programChange = session_.Parameters().ProgramChangeId();
    if (index < 0 || !programChange) return;
    if (bar_.toneSetAt) {
        // The SBaGen session's voices are not the instance's: the program
        // plays instead of the session.
        programChosen_ = index;
        Detach();
        Quit();
        return;
    }
    const double value = session_.Programs().NormalizedValue(index);
    // The controller shows the program; the processor gets it from the queue.
    session_.Instance().Controller()->setParamNormalized(*programChange, value);
    queue_.Push({*programChange, value});
    ShowProgram(index);
}

void MainWindowLinux::OnProgramItem(GtkMenuItem* item, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    if (window.showing_) return;
    window.ChooseProgram(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "program")));
}

void MainWindowLinux::OnSearch(GtkWidget* entry, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const std::vector<int> found = window.groups_.Find(gtk_entry_get_text(GTK_ENTRY(entry)));
    if (found.empty()) {
        gtk_widget_error_bell(entry);
        return;
    }
    if (found.size() == 1) {
        window.ChooseProgram(found.front());
        return;
    }
    // Several: a menu of them below the field.
    if (window.matches_) gtk_widget_destroy(window.matches_);
    window.matches_ = gtk_menu_new();
    gtk_menu_attach_to_widget(GTK_MENU(window.matches_), entry, nullptr);
    const auto& names = window.session_.Programs().Names();
    for (std::size_t i = 0; i < found.size() && i < kMostMatches; ++i) {
        GtkWidget* item =
            gtk_menu_item_new_with_label(names[static_cast<std::size_t>(found[i])].c_str());
        g_object_set_data(G_OBJECT(item), "program", GINT_TO_POINTER(found[i]));
        g_signal_connect(item, "activate", G_CALLBACK(&MainWindowLinux::OnProgramItem), self);
        gtk_menu_shell_append(GTK_MENU_SHELL(window.matches_), item);
    }
    gtk_widget_show_all(window.matches_);
    gtk_menu_popup_at_widget(GTK_MENU(window.matches_), entry, GDK_GRAVITY_SOUTH_WEST,
                             GDK_GRAVITY_NORTH_WEST, nullptr);
}

int MainWindowLinux::ProgramShown() const {
    return program_;
}

void MainWindowLinux::OnVolume(GtkWidget* scale, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    window.player_.Listener().SetVolume(
        static_cast<float>(gtk_range_get_value(GTK_RANGE(scale)) / 100.0));
}

void MainWindowLinux::OnSleep(GtkWidget* list, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(list));
    if (window.showing_ || index < 0 ||
        static_cast<std::size_t>(index) >= window.sleepChoices_.size())
        return;
    window.player_.Listener().SetSleep(window.sleepChoices_[static_cast<std::size_t>(index)]);
}

void MainWindowLinux::OnChannelCheck(GtkWidget*, void* self) {
    static_cast<MainWindowLinux*>(self)->player_.Listener().StartChannelCheck();
}

void MainWindowLinux::OnGuide(GtkWidget*, void* self) {
    std::string error;
    if (!ListeningGuide::Open(error)) static_cast<MainWindowLinux*>(self)->ShowMessage(error);
}

void MainWindowLinux::ShowMessage(const std::string& message) {
    GtkWidget* dialog =
        gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                               GTK_BUTTONS_CLOSE, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "Tonewell");
    dialog_ = dialog;
    gtk_dialog_run(GTK_DIALOG(dialog));
    dialog_ = nullptr;
    gtk_widget_destroy(dialog);
}

void MainWindowLinux::OnOutput(GtkWidget*, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    if (window.showing_ || !window.bar_.switchOutput) return;
    const auto selected = [](GtkWidget* list) {
        return gtk_combo_box_get_active(GTK_COMBO_BOX(list));
    };
    const std::array<int, 3> chosen{selected(window.device_), selected(window.rate_),
                                    selected(window.buffer_)};
    if (chosen == window.outputShown_) return;
    // The program plays on through the new output, in this window.
    const auto& shown = window.outputShown_;
    OutputSettings::Choice playing = ChoiceOf(window.output_, shown[0], shown[1], shown[2]);
    const std::string message = window.bar_.switchOutput(
        ChoiceOf(window.output_, chosen[0], chosen[1], chosen[2]), playing);
    window.outputShown_ = SelectionsOf(window.output_, playing, chosen);
    if (window.outputShown_ != chosen) {
        window.showing_ = true;
        gtk_combo_box_set_active(GTK_COMBO_BOX(window.device_), window.outputShown_[0]);
        gtk_combo_box_set_active(GTK_COMBO_BOX(window.rate_), window.outputShown_[1]);
        gtk_combo_box_set_active(GTK_COMBO_BOX(window.buffer_), window.outputShown_[2]);
        window.showing_ = false;
    }
    if (!message.empty()) window.ShowMessage(message);
}

int MainWindowLinux::OnKey(GtkWidget*, void* event, void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    const auto* key = static_cast<const GdkEventKey*>(event);
    // Typing in the search field is typing.
    if (gtk_widget_has_focus(window.search_)) return FALSE;
    // Shortcuts with Ctrl or Alt stay GTK's.
    if (key->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
    const auto character =
        static_cast<char32_t>(gdk_keyval_to_unicode(gdk_keyval_to_lower(key->keyval)));
    const auto note = key->type == GDK_KEY_PRESS ? window.keyboard_.Press(character)
                                                 : window.keyboard_.Release(character);
    if (note) window.keyNotes_.Push(*note);
    return note.has_value();
}

void MainWindowLinux::Refresh() {
    auto& listener = player_.Listener();
    BarReadout::Playing playing;
    playing.peak = player_.LastPeak();
    playing.position = player_.Position();
    playing.length = player_.LengthFrames();
    playing.played = player_.FramesPlayed();
    playing.sampleRate = player_.SampleRate();
    playing.underruns = player_.Underruns();
    playing.sleepSeconds = listener.SleepRemaining();
    playing.session = bar_.stayAtEnd;
    playing.sounding = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(transport_)) &&
                       !listener.Asleep() && !player_.Finished();
    const unsigned changed = readout_.Update(playing);
    if (changed & BarReadout::kMeter)
        gtk_level_bar_set_value(GTK_LEVEL_BAR(meter_), readout_.Meter() / 100.0);
    if (changed & BarReadout::kPosition)
        gtk_label_set_text(GTK_LABEL(position_), readout_.Position().c_str());
    if (changed & BarReadout::kPlayed)
        gtk_label_set_text(GTK_LABEL(played_), readout_.Played().c_str());
    if (changed & BarReadout::kUnderruns)
        gtk_label_set_text(GTK_LABEL(underruns_), readout_.Underruns().c_str());
    if (changed & BarReadout::kSleep)
        gtk_label_set_text(GTK_LABEL(sleepLeft_), readout_.Sleep().c_str());

    if (bar_.toneSetAt) {
        std::string name =
            bar_.toneSetAt(static_cast<double>(playing.position) / std::max(playing.sampleRate, 1));
        if (name != toneSetShown_) {
            toneSetShown_ = std::move(name);
            gtk_label_set_text(GTK_LABEL(programLabel_), toneSetShown_.c_str());
            gtk_widget_set_tooltip_text(programButton_,
                                        ("SBaGen tone-set playing: " + toneSetShown_).c_str());
        }
    }

    // The sleep timer ran out or the session ended: the transport stops and
    // the timer is off.
    if (player_.Finished()) ended_ = true;
    if ((listener.Asleep() || ended_) &&
        gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(transport_))) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(transport_), FALSE);
        showing_ = true;
        gtk_combo_box_set_active(GTK_COMBO_BOX(sleep_), 0);
        showing_ = false;
    }
    // At the end the window stays, stopped; the session cannot play on.
    if (ended_) gtk_widget_set_sensitive(transport_, FALSE);
}

int MainWindowLinux::OnTick(void* self) {
    auto& window = *static_cast<MainWindowLinux*>(self);
    window.Refresh();
    if ((window.player_.Finished() && !window.bar_.stayAtEnd) ||
        (window.stopRequested_ && window.stopRequested_())) {
        window.Detach();
        window.Quit();
    }
    return G_SOURCE_CONTINUE;
}

} // namespace tonewell::standalone
