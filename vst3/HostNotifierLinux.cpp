#include "HostNotifierLinux.h"

#include "NoticeThread.h"

using namespace Steinberg;

namespace {

IPtr<Linux::IRunLoop> RunLoopOf(FUnknown* source) {
    if (!source) return nullptr;
    Linux::IRunLoop* loop = nullptr;
    if (source->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk)
        return nullptr;
    return owned(loop);
}

} // namespace

// The run loop's timer: counted by reference, as the host may hold it a while
// after it is unregistered; calls that come then do nothing.
class HostNotifierLinux::LoopTimer : public Linux::ITimerHandler {
public:
    explicit LoopTimer(std::shared_ptr<NoticeChannel> channel) : channel(std::move(channel)) {}

    void Forget() { channel = nullptr; }

    void PLUGIN_API onTimer() override {
        if (channel) channel->Deliver();
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid)) {
            addRef();
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++references; }
    uint32 PLUGIN_API release() override {
        const uint32 left = --references;
        if (left == 0) delete this;
        return left;
    }

private:
    virtual ~LoopTimer() = default;

    std::shared_ptr<NoticeChannel> channel;
    std::atomic<uint32> references{1};
};

HostNotifierLinux::~HostNotifierLinux() {
    Close();
    handlerLoop = frameLoop = nullptr;
    hasHandler = false;
    ChooseLoop();
}

void HostNotifierLinux::HandlerChanged(Vst::IComponentHandler* handler) {
    hasHandler = handler != nullptr;
    handlerLoop = RunLoopOf(handler);
    ChooseLoop();
}

void HostNotifierLinux::SetEditorFrame(IPlugFrame* frame) {
    frameLoop = RunLoopOf(frame);
    ChooseLoop();
}

void HostNotifierLinux::ChooseLoop() {
    IPtr<Linux::IRunLoop> wanted = handlerLoop ? handlerLoop : frameLoop;
    if (!hasHandler) wanted = nullptr;
    if (wanted != usedLoop) {
        if (usedLoop && timer) {
            usedLoop->unregisterTimer(timer);
            timer->Forget();
            timer = nullptr;
        }
        usedLoop = nullptr;
        if (wanted) {
            IPtr<LoopTimer> candidate = owned(new LoopTimer(channel));
            if (wanted->registerTimer(candidate, kTimerPeriodMs) == kResultOk) {
                usedLoop = wanted;
                timer = candidate;
            } else {
                candidate->Forget();
            }
        }
    }
    // Without a loop to carry them, notices go by the module's thread; one
    // already waiting goes at once (Watch looks for it).
    if (hasHandler && !usedLoop) {
        channel->SetThreadDelay(0);
        NoticeThread::Watch(channel);
    } else {
        channel->SetThreadDelay(NoticeChannel::kNotByThread);
        NoticeThread::Unwatch(channel.get());
    }
}

void HostNotifierLinux::Schedule() {
    // A loop's timer finds the notice by itself; the thread is told.
    if (channel->ThreadDelay() != NoticeChannel::kNotByThread) NoticeThread::Wake();
}

std::unique_ptr<HostNotifier> HostNotifier::Create() {
    return std::make_unique<HostNotifierLinux>();
}
