#include "HostNotifierLinux.h"

#include <chrono>

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
    explicit LoopTimer(HostNotifierLinux& owner) : owner(&owner) {}

    void Forget() { owner = nullptr; }

    void PLUGIN_API onTimer() override {
        if (owner && owner->Waiting()) owner->Deliver();
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

    HostNotifierLinux* owner;
    std::atomic<uint32> references{1};
};

HostNotifierLinux::~HostNotifierLinux() {
    handlerLoop = frameLoop = nullptr;
    hasHandler = false;
    ChooseLoop();
    StopThread();
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
        loopCarries = false;
        usedLoop = nullptr;
        if (wanted) {
            IPtr<LoopTimer> candidate = owned(new LoopTimer(*this));
            if (wanted->registerTimer(candidate, kTimerPeriodMs) == kResultOk) {
                usedLoop = wanted;
                timer = candidate;
                loopCarries = true;
            } else {
                candidate->Forget();
            }
        }
    }
    // Without a loop to carry them, notices go by the module's own thread.
    if (hasHandler && !loopCarries) {
        StartThread();
        if (Waiting()) Schedule();
    }
}

void HostNotifierLinux::Schedule() {
    if (loopCarries) return; // the loop's timer finds the notice
    {
        std::lock_guard<std::mutex> hold(threadMutex);
        woken = true;
    }
    wake.notify_one();
}

void HostNotifierLinux::StartThread() {
    if (thread.joinable()) return;
    stopping = false;
    thread = std::thread([this] { ThreadMain(); });
}

void HostNotifierLinux::StopThread() {
    if (!thread.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(threadMutex);
        stopping = true;
    }
    wake.notify_one();
    thread.join();
}

void HostNotifierLinux::ThreadMain() {
    std::unique_lock<std::mutex> lock(threadMutex);
    for (;;) {
        wake.wait(lock, [this] { return woken || stopping; });
        if (stopping) return;
        woken = false;
        // The host's call that posted the notice returns first.
        while (InsideHostCall() && !stopping)
            wake.wait_for(lock, std::chrono::milliseconds(1));
        if (stopping) return;
        lock.unlock();
        if (!loopCarries) Deliver();
        lock.lock();
    }
}

std::unique_ptr<HostNotifier> HostNotifier::Create() {
    return std::make_unique<HostNotifierLinux>();
}
