#pragma once

#include <memory>

#include "ViewRunLoop.h"

// The VST 3 platform type of the window this build's editor opens in, or
// null where the editor has no window of its own.
const char* NativeViewPlatformType();

// What drives that window while a view shows it.
std::unique_ptr<ViewRunLoop> MakeViewRunLoop();
