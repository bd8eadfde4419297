// The editor surface this platform shows in a host: a window of its own where
// the platform has one, a surface without a window elsewhere.
#pragma once

#include <memory>

#include "IGraphics.h"

// resourceModule is the plug-in module the images are loaded from (null: the
// program's own).
std::unique_ptr<IGraphics> MakePlatformEditorSurface(ICoreBase* plug, int width, int height,
                                                     int fps, void* resourceModule);
