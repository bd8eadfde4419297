// What the Windows window tests share: reading a window's pixels, and running
// one of the test program's own cases in a child process at another DPI.
#pragma once

#include <cstdint>
#include <vector>
#include <windows.h>

namespace tonewell::wintest {

// What the window shows in its top-left width x height, as 0xRRGGBB words,
// row by row; empty when the window gives no device context.
std::vector<std::uint32_t> CaptureWindow(HWND window, int width, int height);

// Runs this test program again with only `filter` (a disabled case) while the
// user's display is set to `dpi`, which a process reads as it starts; the
// setting is put back afterwards. Returns the child's exit code (1 when it
// could not start or did not end within a minute).
DWORD RunCaseAtDpi(const char* filter, DWORD dpi);

} // namespace tonewell::wintest
