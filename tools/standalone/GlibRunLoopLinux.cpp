#include "GlibRunLoopLinux.h"

#include <glib-unix.h>
#include <glib.h>

namespace tonewell::standalone {

using namespace Steinberg;

IPtr<GlibRunLoopLinux> GlibRunLoopLinux::Create() {
    return owned(new GlibRunLoopLinux);
}

GlibRunLoopLinux::~GlibRunLoopLinux() {
    for (auto& entry : sources_)
        g_source_remove(entry.second->id);
}

tresult PLUGIN_API GlibRunLoopLinux::registerEventHandler(Linux::IEventHandler* handler,
                                                          Linux::FileDescriptor fd) {
    if (!handler || fd < 0) return kInvalidArgument;
    Add(std::make_unique<Source>(Source{0, IPtr<Linux::IEventHandler>(handler), nullptr, fd}),
        [fd](Source* source) {
            return g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                 &GlibRunLoopLinux::OnDescriptor, source);
        });
    return kResultOk;
}

tresult PLUGIN_API GlibRunLoopLinux::unregisterEventHandler(Linux::IEventHandler* handler) {
    return Remove([handler](const Source& source) { return source.events == handler; });
}

tresult PLUGIN_API GlibRunLoopLinux::registerTimer(Linux::ITimerHandler* handler,
                                                   Linux::TimerInterval ms) {
    if (!handler || ms == 0) return kInvalidArgument;
    const auto interval = static_cast<guint>(std::min<Linux::TimerInterval>(ms, 1u << 30));
    Add(std::make_unique<Source>(Source{0, nullptr, IPtr<Linux::ITimerHandler>(handler), -1}),
        [interval](Source* source) {
            return g_timeout_add(interval, &GlibRunLoopLinux::OnTimer, source);
        });
    return kResultOk;
}

tresult PLUGIN_API GlibRunLoopLinux::unregisterTimer(Linux::ITimerHandler* handler) {
    return Remove([handler](const Source& source) { return source.timer == handler; });
}

void GlibRunLoopLinux::Add(std::unique_ptr<Source> source,
                           const std::function<unsigned int(Source*)>& attach) {
    Source* key = source.get();
    source->id = attach(key);
    sources_.emplace(key, std::move(source));
}

tresult GlibRunLoopLinux::Remove(const std::function<bool(const Source&)>& ofHandler) {
    bool found = false;
    for (auto it = sources_.begin(); it != sources_.end();) {
        if (ofHandler(*it->second)) {
            g_source_remove(it->second->id);
            it = sources_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found ? kResultOk : kInvalidArgument;
}

gboolean GlibRunLoopLinux::OnDescriptor(gint fd, GIOCondition, gpointer data) {
    // The handler may unregister itself, which frees `data`: hold it here.
    const IPtr<Linux::IEventHandler> handler = static_cast<Source*>(data)->events;
    handler->onFDIsSet(fd);
    return G_SOURCE_CONTINUE;
}

gboolean GlibRunLoopLinux::OnTimer(gpointer data) {
    const IPtr<Linux::ITimerHandler> handler = static_cast<Source*>(data)->timer;
    handler->onTimer();
    return G_SOURCE_CONTINUE;
}

tresult PLUGIN_API GlibRunLoopLinux::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        addRef();
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API GlibRunLoopLinux::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API GlibRunLoopLinux::release() {
    const uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::standalone
