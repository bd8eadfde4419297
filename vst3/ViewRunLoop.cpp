#include "ViewRunLoop.h"

bool ViewRunLoop::Available(Steinberg::IPlugFrame*) const {
    return true;
}

bool ViewRunLoop::Start(Steinberg::IPlugFrame*, IEditorSurface&) {
    return true;
}

void ViewRunLoop::Stop() {}
