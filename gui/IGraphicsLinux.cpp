#include "IGraphicsLinux.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <xcb/xcb.h>

#include "EntryCommit.h"
#include "ICoreBase.h"
#include "IEngineParam.h"
#include "LinkLauncherLinux.h"
#include "RAST_Blit.h"
#include "RAST_SysBitmap.h"

namespace {
// Symbols of the core protocol's keyboard encoding that the text field reads.
constexpr uint32_t kReturn = 0xFF0D, kKeypadEnter = 0xFF8D, kEscape = 0xFF1B;
constexpr uint32_t kBackSpace = 0xFF08, kDelete = 0xFFFF, kKeypadDelete = 0xFF9F;
constexpr uint32_t kLeft = 0xFF51, kRight = 0xFF53, kHome = 0xFF50, kEnd = 0xFF57;
constexpr uint32_t kKeypadLeft = 0xFF96, kKeypadRight = 0xFF98, kKeypadHome = 0xFF95,
                   kKeypadEnd = 0xFF9C;

constexpr uint8_t kButtonLeft = 1, kButtonRight = 3, kWheelUp = 4, kWheelDown = 5;
constexpr uint8_t kLeftBit = 1, kRightBit = 2;
// The fixed part of a PutImage request, in bytes.
constexpr size_t kPutImageHeader = 24;
// Window sizes the protocol accepts.
constexpr int kMaxWindowSide = 32767;
// What the window listens to. Keys only while the value entry is open: a
// window that selects them takes every key typed while the pointer is over
// it, even with the focus in the host's window, and the host's shortcuts
// belong to the host.
constexpr uint32_t kWindowEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                   XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                   XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                                   XCB_EVENT_MASK_STRUCTURE_NOTIFY;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> Owned(T* reply) {
    return Reply<T>(reply, &std::free);
}

int ClampToInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

IMouseKeys KeysOf(uint16_t state) {
    IMouseKeys keys;
    keys.left = (state & XCB_KEY_BUT_MASK_BUTTON_1) ? 1 : 0;
    keys.right = (state & XCB_KEY_BUT_MASK_BUTTON_3) ? 1 : 0;
    keys.shift = (state & XCB_KEY_BUT_MASK_SHIFT) ? 1 : 0;
    keys.control = (state & XCB_KEY_BUT_MASK_CONTROL) ? 1 : 0;
    keys.alt = (state & XCB_KEY_BUT_MASK_MOD_1) ? 1 : 0;
    return keys;
}

bool Inside(const IBounds& box, int x, int y) {
    return box.left <= x && x < box.right && box.top <= y && y < box.bottom;
}

// Bit position of a mask of eight contiguous bits, or -1 for any other mask.
int ChannelShift(uint32_t mask) {
    for (int shift = 0; shift <= 24; ++shift)
        if (mask == (0xFFu << shift)) return shift;
    return -1;
}
} // namespace

struct IGraphicsLinux::Display {
    xcb_connection_t* connection = nullptr;
    uint32_t gc = 0;
    uint32_t colormap = 0;
    uint8_t depth = 0;
    int redShift = 16, greenShift = 8, blueShift = 0;
    // Bits of a pixel that belong to no colour channel (alpha of a 32-bit
    // visual): all set, so the window is opaque.
    uint32_t spareBits = 0;
    bool swapBytes = false;
    size_t maxRequestBytes = 0;
    // The connection broke (the server went away): nothing more is sent.
    bool lost = false;

    explicit Display(xcb_connection_t* c) : connection(c) {}
    ~Display() { xcb_disconnect(connection); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    uint32_t Convert(Pixel p) const {
        uint32_t out = spareBits | (((p >> 16) & 0xFFu) << redShift) |
                       (((p >> 8) & 0xFFu) << greenShift) | ((p & 0xFFu) << blueShift);
        if (swapBytes)
            out = (out >> 24) | ((out >> 8) & 0xFF00u) | ((out << 8) & 0xFF0000u) | (out << 24);
        return out;
    }
};

IGraphicsLinux::IGraphicsLinux(ICoreBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsLinux::~IGraphicsLinux() {
    ShutWindow(false, true);
    Disconnect();
}

void* IGraphicsLinux::WindowHandle() const {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

int IGraphicsLinux::EventDescriptor() const {
    if (!display || display->lost) return -1;
    return xcb_get_file_descriptor(display->connection);
}

int IGraphicsLinux::TimerPeriodMs() const {
    return static_cast<int>(1000.0 / (fps > 0 ? fps : kDefaultFps));
}

void IGraphicsLinux::OpenEditorWindow(void* parentHandle) {
    const auto id = reinterpret_cast<uintptr_t>(parentHandle);
    int x = 0, y = 0;
    if (window && display && !display->lost && id != 0 && id <= 0xFFFFFFFFu) {
        // Moving to another parent keeps the place the window has.
        const auto place = Owned(xcb_translate_coordinates_reply(
            display->connection,
            xcb_translate_coordinates(display->connection, window, static_cast<uint32_t>(id), 0, 0),
            nullptr));
        if (place) {
            x = place->dst_x;
            y = place->dst_y;
        }
    }
    CloseEditorWindow();
    // X ids fit 29 bits; anything else is no window.
    if (id == 0 || id > 0xFFFFFFFFu) return;
    if (!Connect(static_cast<uint32_t>(id), x, y)) {
        window = 0;
        Disconnect();
        return;
    }
    RedrawAll();
    FinishOutput();
}

bool IGraphicsLinux::Connect(uint32_t parentWindow, int x, int y) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    // Even a failed connection is an object that must be released.
    display = std::make_unique<Display>(connection);
    if (xcb_connection_has_error(connection)) return false;

    // The parent must exist on this display; its visual is taken when it
    // holds 8-bit channels in 32-bit pixels, else the screen's own is.
    const auto geometry = Owned(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, parentWindow), nullptr));
    const auto attributes = Owned(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, parentWindow), nullptr));
    if (!geometry || !attributes) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = nullptr;
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it))
        if (it.data->root == geometry->root) screen = it.data;
    if (!screen) return false;

    auto bitsPerPixel = [setup](uint8_t depth) {
        for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
            if (it.data->depth == depth) return static_cast<int>(it.data->bits_per_pixel);
        return 0;
    };
    auto findVisual = [&](uint32_t id, uint8_t depth) -> const xcb_visualtype_t* {
        if (bitsPerPixel(depth) != 32) return nullptr;
        for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
            if (d.data->depth != depth) continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == id && v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                    ChannelShift(v.data->red_mask) >= 0 && ChannelShift(v.data->green_mask) >= 0 &&
                    ChannelShift(v.data->blue_mask) >= 0)
                    return v.data;
        }
        return nullptr;
    };
    bool ownColormap = false;
    uint8_t depth = geometry->depth;
    const xcb_visualtype_t* visual = findVisual(attributes->visual, depth);
    if (!visual) {
        depth = screen->root_depth;
        visual = findVisual(screen->root_visual, depth);
        ownColormap = true;
    }
    if (!visual) return false;

    Display& d = *display;
    d.depth = depth;
    d.redShift = ChannelShift(visual->red_mask);
    d.greenShift = ChannelShift(visual->green_mask);
    d.blueShift = ChannelShift(visual->blue_mask);
    d.spareBits = ~(visual->red_mask | visual->green_mask | visual->blue_mask);
    if (depth < 32) d.spareBits &= (1u << depth) - 1u;
    d.swapBytes = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    d.maxRequestBytes = static_cast<size_t>(xcb_get_maximum_request_length(connection)) * 4;

    if (ownColormap) {
        d.colormap = xcb_generate_id(connection);
        xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, d.colormap, screen->root,
                            visual->visual_id);
    }
    // A black background until the first exposure paints: hosts may make
    // the window larger than the editor (Ardour fits it to its own plug-in
    // window), and that part shows the editor's edges drawn on (see PutArea).
    uint32_t values[4] = {d.Convert(0), 0, kWindowEvents, d.colormap};
    uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    if (ownColormap) mask |= XCB_CW_COLORMAP;
    const uint32_t id = xcb_generate_id(connection);
    const auto side = [](int v) { return static_cast<uint16_t>(std::clamp(v, 1, kMaxWindowSide)); };
    const auto place = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
    const auto created = Owned(xcb_request_check(
        connection,
        xcb_create_window_checked(connection, depth, id, parentWindow, place(x), place(y),
                                  side(PixelWidth()), side(PixelHeight()), 0,
                                  XCB_WINDOW_CLASS_INPUT_OUTPUT, visual->visual_id, mask, values)));
    if (created || xcb_connection_has_error(connection)) return false;
    window = id;
    parent = parentWindow;

    d.gc = xcb_generate_id(connection);
    const uint32_t noExposures = 0;
    xcb_create_gc(connection, d.gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    keyboard.Load(connection);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    return !xcb_connection_has_error(connection);
}

void IGraphicsLinux::CloseEditorWindow() {
    ShutWindow(true, true);
    Disconnect();
}

void IGraphicsLinux::ShutWindow(bool tellCore, bool destroy) {
    if (!window) return;
    SettleEditsOfClosingWindow(tellCore);
    if (destroy) ReturnFocus();
    holdingFocus = false;
    entry.reset();
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
    captured = tracking = false;
    pressedButtons = 0;
    lastClickCounts = false;
    exposed = IBounds{};

    const uint32_t closing = window;
    window = 0;
    if (destroy && display && !display->lost) {
        xcb_destroy_window(display->connection, closing);
        // A round trip: when the host's call returns, the window is gone for
        // every client, not merely on its way to the server.
        std::free(xcb_get_input_focus_reply(display->connection,
                                            xcb_get_input_focus(display->connection), nullptr));
    }
}

void IGraphicsLinux::Disconnect() {
    if (!display) return;
    if (!display->lost && !xcb_connection_has_error(display->connection)) {
        if (display->gc) xcb_free_gc(display->connection, display->gc);
        if (display->colormap) xcb_free_colormap(display->connection, display->colormap);
        xcb_flush(display->connection);
    }
    display.reset();
}

void IGraphicsLinux::ConnectionLost() {
    // The window is gone with the server; the connection object stays until
    // the window is closed, so its descriptor is not reused meanwhile.
    ShutWindow(true, false);
    if (display) display->lost = true;
}

void IGraphicsLinux::HandlePendingEvents() {
    DispatchWaitingEvents(true);
}

void IGraphicsLinux::DispatchWaitingEvents(bool readSocket) {
    if (!display || display->lost) return;
    xcb_connection_t* connection = display->connection;
    for (;;) {
        xcb_generic_event_t* next =
            readSocket ? xcb_poll_for_event(connection) : xcb_poll_for_queued_event(connection);
        if (!next) {
            // Sending what the events set off may read more of them into
            // the queue: the host sees no readable socket for those.
            xcb_flush(connection);
            if (xcb_connection_has_error(connection)) {
                ConnectionLost();
                return;
            }
            next = xcb_poll_for_queued_event(connection);
            if (!next) return;
        }
        const auto event = Owned(next);
        Dispatch(event.get());
        // Whatever an event set off may have closed the window (or moved it
        // to a new connection): this connection's events are done with.
        if (!display || display->lost || display->connection != connection) return;
    }
}

void IGraphicsLinux::FinishOutput() {
    // libxcb reads whatever input has arrived while it writes a request
    // larger than its buffer, flushes or waits for a reply, and queues it:
    // the socket is then no longer readable, so the host would not call
    // HandlePendingEvents for those events until another one arrives.
    // They are handled before control goes back to the host.
    DispatchWaitingEvents(false);
}

void IGraphicsLinux::OnTimer() {
    if (display && !display->lost && xcb_connection_has_error(display->connection))
        ConnectionLost();
    Tick();
    FinishOutput();
}

void IGraphicsLinux::Dispatch(const void* any) {
    const auto& event = *static_cast<const xcb_generic_event_t*>(any);
    switch (event.response_type & 0x7F) {
    case 0:
        // An error of a request that had no reply to wait for: the window
        // or the parent may have gone meanwhile. Nothing to do.
        return;
    case XCB_EXPOSE: {
        const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
        if (e.window != window || !window) return;
        exposed = exposed.Union(IBounds::FromSize(e.x, e.y, e.width, e.height));
        // The last of a series: the whole exposed area at once.
        if (e.count == 0) {
            const IBounds area = exposed;
            exposed = IBounds{};
            Repaint(area);
            PresentBeyondEditor(area);
        }
        return;
    }
    case XCB_BUTTON_PRESS: {
        const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
        if (e.event == window && window) ButtonPressed(e);
        return;
    }
    case XCB_BUTTON_RELEASE: {
        const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(event);
        if (e.event == window && window) ButtonReleased(e);
        return;
    }
    case XCB_MOTION_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        if (e.event == window && window) PointerMoved(e.event_x, e.event_y, e.state);
        return;
    }
    case XCB_ENTER_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
        if (e.event == window && window) PointerMoved(e.event_x, e.event_y, e.state);
        return;
    }
    case XCB_LEAVE_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
        if (e.event == window && window && !captured) PointerLeft();
        return;
    }
    case XCB_KEY_PRESS: {
        const auto& e = reinterpret_cast<const xcb_key_press_event_t&>(event);
        if (e.event == window && window) KeyPressed(e);
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        // Destroyed from outside, with the host's window: forgotten as if
        // closed, so that the id is never used again.
        const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (e.window == window && window) ShutWindow(true, false);
        return;
    }
    case XCB_MAPPING_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
        if (e.request == XCB_MAPPING_KEYBOARD && display) keyboard.Load(display->connection);
        return;
    }
    default:
        return;
    }
}

void IGraphicsLinux::ButtonPressed(const xcb_button_press_event_t& e) {
    const int x = e.event_x, y = e.event_y;
    IMouseKeys keys = KeysOf(e.state);
    if (e.detail == kWheelUp || e.detail == kWheelDown) {
        MouseWheelAt(x, y, keys, e.detail == kWheelUp ? 1.0 : -1.0);
        return;
    }
    switch (e.detail) {
    case kButtonLeft:
        keys.left = 1;
        break;
    case kButtonRight:
        keys.right = 1;
        break;
    default:
        return;
    }
    const bool left = e.detail == kButtonLeft;
    if (entry) {
        // Presses on the field edit it and go no further.
        if (Inside(entry->Box(), x, y)) {
            if (left) {
                entry->PlaceCaret(x);
                entryState = kEntryTyping;
                ShowEntry();
            }
            return;
        }
        // A right click elsewhere cancels and goes no further.
        if (!left) {
            entryState = kEntryCancel;
            return;
        }
    }
    if (left) {
        const bool twice = lastClickCounts && e.time - lastClickTime <= kDoubleClickMs &&
                           std::abs(x - lastClickX) <= kDoubleClickDistance &&
                           std::abs(y - lastClickY) <= kDoubleClickDistance;
        if (twice) {
            // The next press starts counting again.
            lastClickCounts = false;
            pressedButtons |= kLeftBit;
            captured = MouseDoubleClickAt(x, y, keys) && window;
            return;
        }
        lastClickCounts = true;
        lastClickTime = e.time;
        lastClickX = x;
        lastClickY = y;
    } else {
        lastClickCounts = false;
    }
    // A click into the editor commits an open entry; the press still counts.
    if (entry) entryState = kEntryCommit;
    captured = true;
    pressedButtons |= left ? kLeftBit : kRightBit;
    MouseDownAt(x, y, keys);
}

void IGraphicsLinux::ButtonReleased(const xcb_button_press_event_t& e) {
    uint8_t bit = 0;
    IMouseKeys keys = KeysOf(e.state);
    if (e.detail == kButtonLeft) {
        bit = kLeftBit;
        keys.left = 0;
    } else if (e.detail == kButtonRight) {
        bit = kRightBit;
        keys.right = 0;
    }
    if (!(pressedButtons & bit)) return;
    pressedButtons &= static_cast<uint8_t>(~bit);
    captured = false;
    const int x = e.event_x, y = e.event_y;
    MouseUpAt(x, y, keys);
    // A pointer that left while held gets its leave now.
    if (window && !Inside(PixelBox(), x, y)) PointerLeft();
}

void IGraphicsLinux::PointerMoved(int x, int y, uint16_t state) {
    const IMouseKeys keys = KeysOf(state);
    if (keys.left || keys.right) {
        if (captured) MouseDragTo(x, y, keys);
    } else if (MouseOverAt(x, y, keys) && window) {
        tracking = true;
    }
}

void IGraphicsLinux::PointerLeft() {
    if (!tracking) return;
    tracking = false;
    MouseLeft();
}

void IGraphicsLinux::KeyPressed(const xcb_key_press_event_t& e) {
    if (entry) {
        EntryKey(keyboard.SymbolOf(e.detail, e.state), e.state);
        return;
    }
    const int code = keyboard.SurfaceKeyOf(e.detail);
    if (code >= 0) KeyDownAt(e.event_x, e.event_y, code);
}

void IGraphicsLinux::EntryKey(uint32_t symbol, uint16_t state) {
    switch (symbol) {
    case kReturn:
    case kKeypadEnter:
        entry->Deselect();
        entryState = kEntryCommit;
        ShowEntry();
        return;
    case kEscape:
        entryState = kEntryCancel;
        return;
    case kBackSpace:
        entry->Backspace();
        break;
    case kDelete:
    case kKeypadDelete:
        entry->Delete();
        break;
    case kLeft:
    case kKeypadLeft:
        entry->Left();
        break;
    case kRight:
    case kKeypadRight:
        entry->Right();
        break;
    case kHome:
    case kKeypadHome:
        entry->Home();
        break;
    case kEnd:
    case kKeypadEnd:
        entry->End();
        break;
    default: {
        // Control and Alt chords type nothing.
        const std::string text = XKeyboardLinux::TextOf(symbol);
        if (!text.empty() && !(state & (XCB_KEY_BUT_MASK_CONTROL | XCB_KEY_BUT_MASK_MOD_1)))
            entry->Type(text.c_str());
        break;
    }
    }
    entryState = kEntryTyping;
    ShowEntry();
}

void IGraphicsLinux::PromptParamEntry(IControl* control, const IEngineParam* param, bool centred) {
    if (!control || !param || entry || !window) return;
    const int kind = param->GetKind();
    if (param->ValueTextCount() > 0 &&
        (kind == IEngineParam::KindEnum || kind == IEngineParam::KindBool)) {
        // No native list here: the editor's own popup menu offers the choices.
        control->OpenPopupMenu(*param);
        return;
    }
    const IBounds& b = control->Bounds();
    const int x = ClampToInt(static_cast<int64_t>((double(b.left) + b.right) * 0.5));
    const int y = ClampToInt(static_cast<int64_t>((double(b.top) + b.bottom) * 0.5));
    char current[IEngineParam::kFormatSize] = {};
    param->FormatValue(param->PlainValue(), false, current, sizeof current);
    IBounds box = b;
    if (centred) {
        // Wide enough for the text of the largest value.
        char widest[IEngineParam::kFormatSize] = {};
        param->FormatValue(1.0, true, widest, sizeof widest);
        const int w = std::max(32, 7 * static_cast<int>(std::strlen(widest)) + 6);
        box = IBounds::FromSize(ClampToInt(int64_t{x} - w / 2), ClampToInt(int64_t{y} - 8), w, 16);
    }
    // The field lies over the control's pixels, its text at the display scale.
    box = IBounds{ToPixels(box.left), ToPixels(box.top), ToPixels(box.right), ToPixels(box.bottom)};
    entry = std::make_unique<EntryField>(box, current, ScaleFactor());
    entryControl = control;
    entryParam = param;
    entryState = kEntryIdle;
    // Asking the server who has the focus is a round trip: not while the
    // event holds the plug-in lock.
    AfterEvent([this] {
        if (entry) TakeFocus();
    });
    ShowEntry();
}

void IGraphicsLinux::TakeFocus() {
    if (!window || !display || display->lost || holdingFocus) return;
    xcb_connection_t* connection = display->connection;
    const auto focus =
        Owned(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    focusBefore = focus ? focus->focus : uint32_t{XCB_NONE};
    const uint32_t events = kWindowEvents | XCB_EVENT_MASK_KEY_PRESS;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &events);
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    holdingFocus = true;
}

void IGraphicsLinux::ReturnFocus() {
    if (!holdingFocus) return;
    holdingFocus = false;
    if (!window || !display || display->lost) return;
    xcb_connection_t* connection = display->connection;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &kWindowEvents);
    // Unless the host or the user moved it meanwhile, the focus goes back
    // where it was (no focus at all counts as the host's window). A window
    // gone since then only earns an error event, which is ignored.
    const auto focus =
        Owned(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    if (!focus || focus->focus != window) return;
    const uint32_t to = focusBefore != XCB_NONE ? focusBefore : parent;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, to, XCB_CURRENT_TIME);
    xcb_flush(connection);
}

IBounds IGraphicsLinux::FinishEntry(bool commit) {
    IControl* control = entryControl;
    const IEngineParam* param = entryParam;
    const std::string text = entry ? entry->Text() : std::string();
    const IBounds area = entry ? entry->Box() : IBounds{};
    // Gone before the value is sent on: whatever the host does meanwhile
    // finds no entry half closed.
    entry.reset();
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
    if (control) {
        if (commit && param) CommitEntryText(plug, *control, *param, text.c_str());
        control->EndValueEntry();
    }
    return area;
}

void IGraphicsLinux::Tick() {
    IBounds fieldArea;
    {
        // The audio thread pushes values to the entry's control under the lock.
        EventScope scope(*this);
        if (entry && entryState != kEntryIdle) {
            if (entryState == kEntryCommit || entryState == kEntryCancel)
                fieldArea = FinishEntry(entryState == kEntryCommit);
            else
                entryState = kEntryIdle;
        }
    }
    if (!entry) ReturnFocus();
    // The controls show again where the field was, with whatever is dirty;
    // painting takes the lock itself and presents after giving it up.
    Repaint(fieldArea);
    {
        EventScope scope(*this);
        CountDownParamChange();
    }
    LinkLauncherLinux::Reap();
}

void IGraphicsLinux::Repaint(const IBounds& box) {
    if (window) PaintDirty(box.Intersect(PixelBox()));
}

void IGraphicsLinux::PresentBeyondEditor(const IBounds& area) {
    if (!window || !display || display->lost || !drawBitmap) return;
    const int w = PixelWidth(), h = PixelHeight();
    const IBounds right = area.Intersect(IBounds{w, 0, kMaxWindowSide, kMaxWindowSide});
    const IBounds below = area.Intersect(IBounds{0, h, w, kMaxWindowSide});
    if (!right.IsEmpty()) PutArea(right);
    if (!below.IsEmpty()) PutArea(below);
    xcb_flush(display->connection);
}

void IGraphicsLinux::ShowEntry() {
    if (entry) PresentRegion(entry->Box());
}

bool IGraphicsLinux::PresentRegion(const IBounds& box) {
    if (!window || !display || display->lost || !drawBitmap) return true;
    const IBounds clip = box.Intersect(PixelBox())
                             .Intersect(IBounds{0, 0, drawBitmap->width(), drawBitmap->height()});
    if (clip.IsEmpty()) return true;
    PutArea(clip);
    xcb_flush(display->connection);
    return true;
}

void IGraphicsLinux::PutArea(const IBounds& box) {
    const Display& d = *display;
    const int w = box.W();
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    const size_t room = d.maxRequestBytes > kPutImageHeader + rowBytes
                            ? (d.maxRequestBytes - kPutImageHeader) / rowBytes
                            : 1;
    const int rowsPerRequest = static_cast<int>(std::min<size_t>(room, size_t(box.H())));
    const RAST_IBitmap* field = entry ? &entry->Picture() : nullptr;
    const IBounds fieldBox = entry ? entry->Box() : IBounds{};
    // Beyond the editor (a window the host made larger) the last column and
    // row go on, so the background seems to reach the window's edges.
    const int lastX = std::min(PixelWidth(), drawBitmap->width()) - 1;
    const int lastY = std::min(PixelHeight(), drawBitmap->height()) - 1;
    if (lastX < 0 || lastY < 0 || box.left < 0 || box.top < 0) return;
    const int inside = std::clamp(lastX + 1 - box.left, 0, w);
    for (int top = box.top; top < box.bottom; top += rowsPerRequest) {
        const int count = std::min(rowsPerRequest, box.bottom - top);
        rows.resize(static_cast<size_t>(w) * count);
        for (int r = 0; r < count; ++r) {
            const int y = top + r;
            const Pixel* row = RAST_RowPointer(drawBitmap.get(), std::min(y, lastY));
            uint32_t* out = rows.data() + static_cast<size_t>(r) * w;
            for (int i = 0; i < inside; ++i)
                out[i] = d.Convert(row[box.left + i]);
            if (inside < w) std::fill(out + inside, out + w, d.Convert(row[lastX]));
            // The entry lies over the controls.
            if (field && y >= fieldBox.top && y < fieldBox.bottom &&
                y - fieldBox.top < field->height()) {
                const int from = std::max(box.left, fieldBox.left);
                const int to =
                    std::min({box.right, fieldBox.right, fieldBox.left + field->width()});
                const Pixel* fieldRow = RAST_RowPointer(field, y - fieldBox.top);
                for (int x = from; x < to; ++x)
                    out[x - box.left] = d.Convert(fieldRow[x - fieldBox.left]);
            }
        }
        xcb_put_image(d.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, d.gc,
                      static_cast<uint16_t>(w), static_cast<uint16_t>(count),
                      static_cast<int16_t>(box.left), static_cast<int16_t>(top), 0, d.depth,
                      static_cast<uint32_t>(rows.size() * 4),
                      reinterpret_cast<const uint8_t*>(rows.data()));
    }
}

void IGraphicsLinux::Resize(int newWidth, int newHeight) {
    // The controls are about to be deleted; the entry must not outlive its own.
    ReturnFocus();
    entry.reset();
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
    IGraphics::Resize(newWidth, newHeight);
    FitWindow();
    FinishOutput();
}

void IGraphicsLinux::ScaleFactorChanged() {
    // The surface has ended the control's entry; the field, at the old
    // scale's pixels, goes without sending anything. Giving the focus back
    // is a round trip: before taking the lock.
    ReturnFocus();
    {
        EventScope scope(*this);
        entry.reset();
        entryControl = nullptr;
        entryParam = nullptr;
        entryState = kEntryIdle;
    }
    FitWindow();
    FinishOutput();
}

void IGraphicsLinux::FitWindow() {
    if (!window || !display || display->lost) return;
    const uint32_t size[2] = {static_cast<uint32_t>(std::clamp(PixelWidth(), 1, kMaxWindowSide)),
                              static_cast<uint32_t>(std::clamp(PixelHeight(), 1, kMaxWindowSide))};
    xcb_configure_window(display->connection, window,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    // The exposure that clearing brings repaints the whole window.
    xcb_clear_area(display->connection, 1, window, 0, 0, 0, 0);
    xcb_flush(display->connection);
}

bool IGraphicsLinux::AskForFile(std::string& path, int, const char*, const char*) {
    path.clear();
    return false;
}

bool IGraphicsLinux::AskForColour(IArgb&, const char*) {
    return false;
}

bool IGraphicsLinux::OpenLink(const char* url, const char*, const char*, const char*) {
    return LinkLauncherLinux::Open(url);
}

bool IGraphicsLinux::WheelFromHost(double delta) {
    if (!window || !display || display->lost || !std::isfinite(delta)) return false;
    const auto pointer = Owned(xcb_query_pointer_reply(
        display->connection, xcb_query_pointer(display->connection, window), nullptr));
    const bool over =
        pointer && pointer->same_screen && Inside(PixelBox(), pointer->win_x, pointer->win_y);
    if (over) {
        IMouseKeys keys = KeysOf(pointer->mask);
        keys.left = keys.right = 0;
        MouseWheelAt(pointer->win_x, pointer->win_y, keys, std::trunc(delta));
    }
    // The round trip may have queued events.
    FinishOutput();
    return over;
}
