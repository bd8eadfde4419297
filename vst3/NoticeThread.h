// The module's own delivery thread, shared by every instance: it sends the
// notices of the channels it watches when no host UI loop carries them. It
// runs only while some channel is watched and a notice needs it, and is
// woken by events (a notice posted, a host call ended, a route changed),
// never by polling.
//
// The module is never unloaded while it runs module code: on Windows the
// thread holds a reference to the module and lets go of it as it ends; on
// Linux the module's exit waits for it.
#pragma once

#include <memory>

#include "NoticeChannel.h"

class NoticeThread {
public:
    // Watches channel from now on; it is held until Unwatch.
    static void Watch(const std::shared_ptr<NoticeChannel>& channel);
    static void Unwatch(const NoticeChannel* channel);
    // Something may be due: the thread looks again (and starts if needed).
    static void Wake();
    // Ends the thread and waits for it; for the module's exit.
    static void Shutdown();
    // The thread's body.
    static void Run();

    // Platform: starts Run on a new thread (after waiting for a previous
    // one, which has finished); false when no thread could start.
    static bool StartPlatformThread();
    // Platform: waits for the thread started last where the platform needs
    // that before the module goes.
    static void JoinPlatformThread();
};
