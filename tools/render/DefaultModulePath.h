#pragma once

#include <string>

namespace tonewell::render {

// The Tonewell bundle built next to this program: the executable's folder
// (from /proc/self/exe) joined with the bundle-relative path of the module.
// Relative to the working folder when the executable cannot be located.
std::string DefaultModulePath();

} // namespace tonewell::render
