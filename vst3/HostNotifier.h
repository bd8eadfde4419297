// Calls the host's component handler back outside the host's own calls.
//
// A host may hold its own locks while it calls the controller, and take them
// again when the plug-in calls it back: a restart asked for from inside
// setParamNormalized can then wait for ever. Notices are therefore posted,
// merged while they wait, and sent from the host's UI loop where it offers
// one (a window message on Windows, the host's IRunLoop on Linux), otherwise
// from a thread of the module's own once the host's call has returned.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

class HostNotifier {
public:
    // This platform's notifier, made on the host's UI thread.
    static std::unique_ptr<HostNotifier> Create();

    HostNotifier() = default;
    virtual ~HostNotifier() = default;
    HostNotifier(const HostNotifier&) = delete;
    HostNotifier& operator=(const HostNotifier&) = delete;

    // The handler that hears the notices from now on (null: none). A notice
    // still waiting for the previous handler is dropped. UI thread.
    void SetHandler(Steinberg::Vst::IComponentHandler* handler);
    // Asks for restartComponent(flags) once the host's current call has
    // returned; flags of notices still waiting are merged into one call. Any
    // thread; never calls the host.
    void Post(Steinberg::int32 flags);
    // The plug frame of an open editor, whose run loop may carry the notices
    // (null when the editor closes). UI thread.
    virtual void SetEditorFrame(Steinberg::IPlugFrame*) {}

    // Marks a call of the host's in progress: notices wait for its return.
    class HostCall {
    public:
        explicit HostCall(HostNotifier* notifier);
        ~HostCall();
        HostCall(const HostCall&) = delete;
        HostCall& operator=(const HostCall&) = delete;

    private:
        HostNotifier* notifier;
    };

protected:
    virtual void HandlerChanged(Steinberg::Vst::IComponentHandler*) {}
    // Arranges for Deliver to run later, outside the host's call.
    virtual void Schedule() = 0;
    // Sends what is waiting, if anything, to the handler of the moment.
    void Deliver();
    bool Waiting() const { return pending.load() != 0; }
    bool InsideHostCall() const { return hostCalls.load() > 0; }

private:
    std::mutex mutex; // guards handler
    Steinberg::IPtr<Steinberg::Vst::IComponentHandler> handler;
    std::atomic<Steinberg::int32> pending{0};
    std::atomic<int> hostCalls{0};
};
