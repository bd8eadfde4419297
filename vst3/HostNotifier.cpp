#include "HostNotifier.h"

using namespace Steinberg;

void HostNotifier::SetHandler(Vst::IComponentHandler* newHandler) {
    {
        std::lock_guard<std::mutex> hold(mutex);
        handler = newHandler;
        pending.store(0);
    }
    HandlerChanged(newHandler);
}

void HostNotifier::Post(int32 flags) {
    if (flags == 0) return;
    pending.fetch_or(flags);
    Schedule();
}

void HostNotifier::Deliver() {
    IPtr<Vst::IComponentHandler> target;
    int32 flags = 0;
    {
        std::lock_guard<std::mutex> hold(mutex);
        flags = pending.exchange(0);
        target = handler;
    }
    // Our reference keeps the handler alive through the call, whatever the
    // host does meanwhile; no lock of ours is held while the host runs.
    if (flags != 0 && target) target->restartComponent(flags);
}

HostNotifier::HostCall::HostCall(HostNotifier* notifier_) : notifier(notifier_) {
    if (notifier) ++notifier->hostCalls;
}

HostNotifier::HostCall::~HostCall() {
    if (notifier) --notifier->hostCalls;
}
