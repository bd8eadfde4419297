#include "HostNotifier.h"

#include "NoticeThread.h"

using namespace Steinberg;

HostNotifier::HostNotifier() : channel(std::make_shared<NoticeChannel>()) {}

HostNotifier::~HostNotifier() {
    Close();
}

void HostNotifier::Close() {
    channel->SetHandler(nullptr);
    NoticeThread::Unwatch(channel.get());
}

void HostNotifier::SetHandler(Vst::IComponentHandler* handler) {
    channel->SetHandler(handler);
    HandlerChanged(handler);
}

void HostNotifier::Post(int32 flags) {
    if (flags == 0) return;
    channel->Post(flags);
    Schedule();
}

HostNotifier::HostCall::HostCall(HostNotifier* notifier_) : notifier(notifier_) {
    if (notifier) notifier->channel->EnterHostCall();
}

HostNotifier::HostCall::~HostCall() {
    // What was posted during the call may go now.
    if (notifier && notifier->channel->LeaveHostCall()) notifier->Schedule();
}
