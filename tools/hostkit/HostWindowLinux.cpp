#include "HostWindowLinux.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace tonewell::hostkit {

namespace {
std::atomic<int> errorCount{0};
XErrorHandler previousHandler = nullptr;
int windowsAlive = 0;

int CountError(::Display*, XErrorEvent*) {
    ++errorCount;
    return 0;
}
} // namespace

std::unique_ptr<HostWindowLinux> HostWindowLinux::Create(int width, int height, std::string& error,
                                                         const char* displayName) {
    std::unique_ptr<HostWindowLinux> host(new HostWindowLinux);
    // A server whose last client just left may be resetting for a moment.
    for (int attempt = 0; attempt < 40 && !host->display_; ++attempt) {
        host->display_ = XOpenDisplay(displayName);
        if (!host->display_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!host->display_) {
        error = "no X display";
        return nullptr;
    }
    int event = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(host->display_, &event, &errorBase, &major, &minor)) {
        error = "the X server has no XTEST extension";
        return nullptr;
    }
    if (windowsAlive++ == 0) previousHandler = XSetErrorHandler(&CountError);
    ::Display* d = host->display_;
    const int screen = DefaultScreen(d);
    host->window_ = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, width, height, 0,
                                        BlackPixel(d, screen), WhitePixel(d, screen));
    XStoreName(d, host->window_, "Tonewell test host");
    XSelectInput(d, host->window_, StructureNotifyMask | KeyPressMask);
    XMapWindow(d, host->window_);
    // Mapped and viewable before anyone embeds into it.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (bool mapped = false; !mapped;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && e.xmap.window == host->window_) mapped = true;
        }
        if (std::chrono::steady_clock::now() > end) {
            error = "the host window was not mapped";
            return nullptr;
        }
        if (!mapped) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return host;
}

bool HostWindowLinux::DisplayRequired() {
    const char* value = std::getenv("TONEWELL_REQUIRE_DISPLAY");
    return value && std::strcmp(value, "1") == 0;
}

HostWindowLinux::~HostWindowLinux() {
    if (!display_) return;
    Destroy();
    XCloseDisplay(display_);
    if (--windowsAlive == 0) XSetErrorHandler(previousHandler);
}

void* HostWindowLinux::ParentHandle() const {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window_));
}

void HostWindowLinux::Destroy() {
    if (!window_) return;
    XDestroyWindow(display_, window_);
    window_ = 0;
    Sync();
}

std::vector<unsigned long> HostWindowLinux::Children(unsigned long window) const {
    std::vector<unsigned long> list;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!window) window = window_;
    if (window && XQueryTree(display_, window, &root, &parent, &children, &count)) {
        list.assign(children, children + count);
        if (children) XFree(children);
    }
    return list;
}

std::vector<std::uint32_t> HostWindowLinux::Capture(unsigned long window, int width,
                                                    int height) const {
    std::vector<std::uint32_t> pixels;
    Sync();
    XImage* image = XGetImage(display_, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return pixels;
}

void HostWindowLinux::MoveTo(unsigned long window, int x, int y) {
    int rootX = x, rootY = y;
    Window child = 0;
    const Window root = DefaultRootWindow(display_);
    if (window) XTranslateCoordinates(display_, window, root, x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
    Sync();
}

void HostWindowLinux::Button(int button, bool press) {
    XTestFakeButtonEvent(display_, static_cast<unsigned int>(button), press ? True : False,
                         CurrentTime);
    Sync();
}

void HostWindowLinux::Key(unsigned long keysym, bool press) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code == 0) return;
    XTestFakeKeyEvent(display_, code, press ? True : False, CurrentTime);
    Sync();
}

void HostWindowLinux::Tap(unsigned long keysym) {
    Key(keysym, true);
    Key(keysym, false);
}

int HostWindowLinux::KeyPresses() {
    Sync();
    while (XPending(display_)) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == KeyPress && e.xkey.window == window_) ++keyPresses_;
    }
    return keyPresses_;
}

int HostWindowLinux::Errors() const {
    Sync();
    return errorCount;
}

void HostWindowLinux::Sync() const {
    XSync(display_, False);
}

} // namespace tonewell::hostkit
