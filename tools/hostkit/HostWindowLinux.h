#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Xlib's display type, declared as <X11/Xlib.h> does, so that this header
// does not pull in Xlib's macros.
struct _XDisplay;

namespace tonewell::hostkit {

// A top-level X window of a host's own, for a plug-in view to embed its
// editor in, and real input for it through the XTEST extension, on a display
// connection of its own. X errors on that connection are counted rather
// than ending the program (the previous handler is put back at the end).
class HostWindowLinux {
public:
    // Opens the display (null: $DISPLAY) and shows a top-level window of the
    // given size; null with error set when the display or XTEST is missing.
    static std::unique_ptr<HostWindowLinux> Create(int width, int height, std::string& error,
                                                   const char* displayName = nullptr);
    // True when TONEWELL_REQUIRE_DISPLAY is 1: a test command that started
    // its own X server, where a window that cannot be made is a failure
    // rather than a reason to skip.
    static bool DisplayRequired();
    ~HostWindowLinux();
    HostWindowLinux(const HostWindowLinux&) = delete;
    HostWindowLinux& operator=(const HostWindowLinux&) = delete;

    _XDisplay* Display() const { return display_; }
    unsigned long Id() const { return window_; }
    // The window id as IPlugView::attached takes it for "X11EmbedWindowID".
    void* ParentHandle() const;
    // The child windows of a window (this one when 0), bottom to top.
    std::vector<unsigned long> Children(unsigned long window = 0) const;
    // Destroys the window now, as a host closing it would.
    void Destroy();

    // What a window shows, as 0xRRGGBB words row by row; empty when it
    // cannot be read.
    std::vector<std::uint32_t> Capture(unsigned long window, int width, int height) const;

    // Real input: the pointer to (x, y) of window, buttons (1 left, 3 right,
    // 4 and 5 the wheel) and keys by their symbol; every call waits until
    // the server has taken it.
    void MoveTo(unsigned long window, int x, int y);
    void Button(int button, bool press);
    void Key(unsigned long keysym, bool press);
    void Tap(unsigned long keysym);

    int Errors() const;
    // Key presses delivered to this window itself (not to a child that took
    // them) so far.
    int KeyPresses();

private:
    HostWindowLinux() = default;
    void Sync() const;

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    int keyPresses_ = 0;
};

} // namespace tonewell::hostkit
