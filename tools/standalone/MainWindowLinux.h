#pragma once

#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>

#include "BarReadout.h"
#include "ComputerKeyboard.h"
#include "EditForwarder.h"
#include "GlibRunLoopLinux.h"
#include "ProgramGroups.h"
#include "ProgramWindow.h"

// GTK's and GLib's types, declared as their headers do, so that users of this
// header need not include GTK.
typedef struct _GtkWidget GtkWidget;
typedef struct _GMainLoop GMainLoop;
typedef struct _GtkMenuItem GtkMenuItem;

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::standalone {

class LivePlayer;
class ParameterChangeQueue;

// The program's window (GTK 3 on X11): the instrument's own editor embedded
// as an X11 child window, above it the bar: the transport's play/stop, the
// program menu (grouped) with a search field; the level meter, where a
// session stands, the time played, the sleep timer's time left and the
// underrun count; the master volume, the sleep timer, the channel check and
// the guide; the output's device, sample rate and buffer size. Everything
// runs on the thread that made it; parameter edits reach the audio callback
// through the queue.
class MainWindowLinux : public ProgramWindow {
public:
    // Opens the display and shows the window with the editor attached.
    // Throws PlayError when there is no display or the editor cannot open.
    // `program`: the list's selection, -1 for none. Keys pressed in the
    // window play notes into `keyNotes`; `output` fills the output lists.
    MainWindowLinux(render::PluginSession& session, LivePlayer& player, ParameterChangeQueue& queue,
                    NoteQueue& keyNotes, int program, const OutputMenu& output,
                    const BarOptions& bar = {});
    // Detaches the editor and closes the window.
    ~MainWindowLinux() override;
    MainWindowLinux(const MainWindowLinux&) = delete;
    MainWindowLinux& operator=(const MainWindowLinux&) = delete;

    void Run(std::function<bool()> stopRequested) override;
    int ProgramShown() const override;
    std::optional<std::string> SessionChosen() const override { return sessionChosen_; }
    int ProgramChosen() const override { return programChosen_; }

private:
    static int OnDelete(GtkWidget* widget, void* event, void* self);
    static void OnTransport(GtkWidget* button, void* self);
    static void OnProgramItem(GtkMenuItem* item, void* self);
    static void OnSearch(GtkWidget* entry, void* self);
    static void OnOpenSession(GtkMenuItem* item, void* self);
    static void OnVolume(GtkWidget* scale, void* self);
    static void OnSleep(GtkWidget* list, void* self);
    static void OnChannelCheck(GtkWidget* button, void* self);
    static void OnGuide(GtkWidget* button, void* self);
    static void OnOutput(GtkWidget* list, void* self);
    static int OnTick(void* self);
    static int OnKey(GtkWidget* widget, void* event, void* self);
    static void OnScale(GtkWidget* window, void* property, void* self);
    // Builds the program menu, a submenu for each group.
    GtkWidget* MakeProgramMenu();
    // Sends program `index` to the controller and the processor, and shows it.
    void ChooseProgram(int index);
    // Shows program `index` (-1 for none) as the one chosen.
    void ShowProgram(int index);
    // Brings the bar up to date with the player.
    void Refresh();
    // Shows `message` in a dialog over the window.
    void ShowMessage(const std::string& message);
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
    GtkWidget* programButton_ = nullptr;
    GtkWidget* programLabel_ = nullptr;
    GtkWidget* search_ = nullptr;
    GtkWidget* matches_ = nullptr;
    GtkWidget* meter_ = nullptr;
    GtkWidget* position_ = nullptr;
    GtkWidget* played_ = nullptr;
    GtkWidget* sleepLeft_ = nullptr;
    GtkWidget* underruns_ = nullptr;
    GtkWidget* volume_ = nullptr;
    GtkWidget* sleep_ = nullptr;
    GtkWidget* editor_ = nullptr;
    GtkWidget* device_ = nullptr;
    GtkWidget* rate_ = nullptr;
    GtkWidget* buffer_ = nullptr;
    // The program menu's items, by program number.
    std::vector<GtkWidget*> programItems_;
    ProgramGroups groups_;
    int program_ = -1;
    // The sleep list's choices in seconds; 0 for off.
    std::vector<double> sleepChoices_;
    BarOptions bar_;
    BarReadout readout_;
    // Set while the bar shows a state of the player's, so that its widgets'
    // signals do not act on it.
    bool showing_ = false;
    // The player reached its end and the window stays.
    bool ended_ = false;
    OutputMenu output_;
    // The output lists' selections that play: device, rate, buffer.
    std::array<int, 3> outputShown_{};
    std::optional<std::string> sessionChosen_;
    int programChosen_ = -1;
    // The modal dialog open now, if any: quitting closes it first, since
    // its own loop would otherwise keep the window's going.
    GtkWidget* dialog_ = nullptr;
    // The SBaGen tone-set's name the program button shows.
    std::string toneSetShown_;
    GMainLoop* loop_ = nullptr;
    unsigned int tick_ = 0;
    // GTK's integral scale: device pixels per logical unit.
    int scale_ = 1;
    std::function<bool()> stopRequested_;
};

} // namespace tonewell::standalone
