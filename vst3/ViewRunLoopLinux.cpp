#include "ViewRunLoopLinux.h"

using namespace Steinberg;

ViewRunLoopLinux::~ViewRunLoopLinux() {
    Stop();
}

IPtr<Linux::IRunLoop> ViewRunLoopLinux::RunLoopOf(IPlugFrame* frame) {
    if (!frame) return nullptr;
    Linux::IRunLoop* loop = nullptr;
    if (frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk)
        return nullptr;
    return owned(loop);
}

bool ViewRunLoopLinux::Available(IPlugFrame* frame) const {
    return RunLoopOf(frame) != nullptr;
}

bool ViewRunLoopLinux::Start(IPlugFrame* frame, IEditorSurface& surface) {
    Stop();
    handler = RunLoopHandlerLinux::Register(RunLoopOf(frame), surface);
    return handler != nullptr;
}

void ViewRunLoopLinux::Stop() {
    if (!handler) return;
    handler->Unregister();
    handler = nullptr;
}
