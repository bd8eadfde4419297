#pragma once

#include <atomic>
#include <functional>
#include <glib.h>
#include <map>
#include <memory>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>

namespace tonewell::standalone {

// The run loop a plug-in view gets from a GTK host: its descriptors and
// timers become sources of GLib's default main context, so they are served
// by the same loop that runs the window. Handlers may register and
// unregister from inside their own calls.
class GlibRunLoopLinux : public Steinberg::Linux::IRunLoop {
public:
    static Steinberg::IPtr<GlibRunLoopLinux> Create();

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    // One registration; GLib's source keeps a pointer to it, so it stays put
    // until its source is removed.
    struct Source {
        unsigned int id;
        Steinberg::IPtr<Steinberg::Linux::IEventHandler> events;
        Steinberg::IPtr<Steinberg::Linux::ITimerHandler> timer;
        int fd;
    };

    GlibRunLoopLinux() = default;
    // Removes every source left, so none calls into a released handler.
    virtual ~GlibRunLoopLinux();
    static gboolean OnDescriptor(gint fd, GIOCondition condition, gpointer data);
    static gboolean OnTimer(gpointer data);
    // Adds a registration whose GLib source attach() makes.
    void Add(std::unique_ptr<Source> source, const std::function<unsigned int(Source*)>& attach);
    // Removes the registrations of one handler; kInvalidArgument when it had none.
    Steinberg::tresult Remove(const std::function<bool(const Source&)>& ofHandler);

    std::map<Source*, std::unique_ptr<Source>> sources_;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::standalone
