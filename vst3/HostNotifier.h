// Calls the host's component handler back outside the host's own calls.
//
// A host may hold its own locks while it calls the controller, and take them
// again when the plug-in calls it back: a restart asked for from inside
// setParamNormalized can then wait for ever. Notices are therefore posted,
// merged while they wait, and sent from the host's UI loop where it offers
// one (a window message on Windows, the host's IRunLoop on Linux), otherwise
// from the module's own thread once the host's call has returned (see
// NoticeChannel for the rules every delivery keeps).
#pragma once

#include <memory>

#include "NoticeChannel.h"
#include "pluginterfaces/gui/iplugview.h"

class HostNotifier {
public:
    // This platform's notifier, made on the host's UI thread.
    static std::unique_ptr<HostNotifier> Create();

    HostNotifier();
    // No call to the handler starts after this, and none is under way (see
    // NoticeChannel::SetHandler).
    virtual ~HostNotifier();
    HostNotifier(const HostNotifier&) = delete;
    HostNotifier& operator=(const HostNotifier&) = delete;

    // The handler that hears the notices from now on (null: none). A notice
    // still waiting for the previous handler is dropped, and the previous
    // handler hears nothing more from us once this returns.
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
    // Arranges for a delivery later, outside the host's call.
    virtual void Schedule() = 0;
    // Drops the handler and stops the module's thread watching this
    // notifier; platform destructors call it before they take their carrier
    // down.
    void Close();

    const std::shared_ptr<NoticeChannel> channel;
};
