#pragma once

#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>

#include "ComputerKeyboard.h"
#include "EditForwarder.h"
#include "GlibRunLoopLinux.h"
#include "ProgramWindow.h"

// GTK's and GLib's types, declared as their headers do, so that users of this
// header need not include GTK.
typedef struct _GtkWidget GtkWidget;
typedef struct _GMainLoop GMainLoop;

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::standalone {

class LivePlayer;
class ParameterChangeQueue;

// The program's window (GTK 3 on X11): the instrument's own editor embedded
// as an X11 child window, above it a bar with the transport's play/stop,
// the program list and a level meter, and a row with the output's device,
// sample rate and buffer size. Everything runs on the thread that
// made it; parameter edits reach the audio callback through the queue.
class MainWindowLinux : public ProgramWindow {
public:
    // Opens the display and shows the window with the editor attached.
    // Throws PlayError when there is no display or the editor cannot open.
    // `program`: the list's selection, -1 for none. Keys pressed in the
    // window play notes into `keyNotes`; `output` fills the output lists.
    MainWindowLinux(render::PluginSession& session, LivePlayer& player, ParameterChangeQueue& queue,
                    NoteQueue& keyNotes, int program, const OutputMenu& output);
    // Detaches the editor and closes the window.
    ~MainWindowLinux() override;
    MainWindowLinux(const MainWindowLinux&) = delete;
    MainWindowLinux& operator=(const MainWindowLinux&) = delete;

    // Serves the window until it is closed, the player has finished, or
    // `stopRequested` answers true (asked a few times a second).
    void Run(std::function<bool()> stopRequested) override;
    std::optional<OutputSettings::Choice> OutputChosen() const override { return outputChosen_; }
    int ProgramShown() const override;

private:
    static int OnDelete(GtkWidget* widget, void* event, void* self);
    static void OnTransport(GtkWidget* button, void* self);
    static void OnProgram(GtkWidget* list, void* self);
    static void OnOutput(GtkWidget* list, void* self);
    static int OnTick(void* self);
    static int OnKey(GtkWidget* widget, void* event, void* self);
    static void OnScale(GtkWidget* window, void* property, void* self);
    // Gives the editor GTK's scale and sizes its area to match.
    void ApplyScale();
    // Sizes the editor's area to `width` x `height` device pixels.
    void SizeEditor(int width, int height);
    void Detach();
    void Quit();

    render::PluginSession& session_;
    LivePlayer& player_;
    ParameterChangeQueue& queue_;
    NoteQueue& keyNotes_;
    ComputerKeyboard keyboard_;
    Steinberg::IPtr<GlibRunLoopLinux> runLoop_;
    Steinberg::IPtr<EditForwarder> forwarder_;
    Steinberg::IPtr<Steinberg::IPlugFrame> frame_;
    Steinberg::IPtr<Steinberg::IPlugView> view_;
    Steinberg::IPtr<Steinberg::IPlugViewContentScaleSupport> scaleSupport_;
    GtkWidget* window_ = nullptr;
    GtkWidget* transport_ = nullptr;
    GtkWidget* programs_ = nullptr;
    GtkWidget* meter_ = nullptr;
    GtkWidget* editor_ = nullptr;
    GtkWidget* device_ = nullptr;
    GtkWidget* rate_ = nullptr;
    GtkWidget* buffer_ = nullptr;
    OutputMenu output_;
    std::optional<OutputSettings::Choice> outputChosen_;
    GMainLoop* loop_ = nullptr;
    unsigned int tick_ = 0;
    // GTK's integral scale: device pixels per logical unit.
    int scale_ = 1;
    // The meter's step shown, so that only changes redraw it.
    int meterShown_ = -1;
    std::function<bool()> stopRequested_;
};

} // namespace tonewell::standalone
