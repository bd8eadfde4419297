#include "XKeyboardLinux.h"

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

#include "Utf8Encoding.h"

namespace {
// Symbols of the core protocol's keyboard encoding that the editor reads.
constexpr uint32_t kSpace = 0x20;
constexpr uint32_t kLeft = 0xFF51, kUp = 0xFF52, kRight = 0xFF53, kDown = 0xFF54;
constexpr uint32_t kKeypadFirst = 0xFF80, kKeypadLast = 0xFFBD;
constexpr uint32_t kKeypadZero = 0xFFB0, kKeypadNine = 0xFFB9;
constexpr uint32_t kKeypadPlus = 0xFFAB, kKeypadComma = 0xFFAC, kKeypadMinus = 0xFFAD,
                   kKeypadPoint = 0xFFAE;
constexpr uint32_t kUnicodeBase = 0x01000000;

bool IsKeypad(uint32_t symbol) {
    return symbol >= kKeypadFirst && symbol <= kKeypadLast;
}

uint32_t Lower(uint32_t symbol) {
    if (symbol >= 'A' && symbol <= 'Z') return symbol + ('a' - 'A');
    if (symbol >= 0xC0 && symbol <= 0xDE && symbol != 0xD7) return symbol + 0x20;
    return symbol;
}

uint32_t Upper(uint32_t symbol) {
    if (symbol >= 'a' && symbol <= 'z') return symbol - ('a' - 'A');
    if (symbol >= 0xE0 && symbol <= 0xFE && symbol != 0xF7) return symbol - 0x20;
    return symbol;
}

} // namespace

bool XKeyboardLinux::Load(xcb_connection_t* connection) {
    symbols.clear();
    perKeycode = 0;
    if (!connection) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!setup || setup->max_keycode < setup->min_keycode) return false;
    firstKeycode = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_keyboard_mapping_reply(
            connection,
            xcb_get_keyboard_mapping(connection, firstKeycode, static_cast<uint8_t>(count)),
            nullptr),
        &std::free);
    if (!reply) return false;
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    const xcb_keysym_t* list = xcb_get_keyboard_mapping_keysyms(reply.get());
    if (reply->keysyms_per_keycode == 0 || length <= 0 || !list) return false;
    perKeycode = reply->keysyms_per_keycode;
    symbols.assign(list, list + length);
    return true;
}

uint32_t XKeyboardLinux::Column(uint8_t keycode, int column) const {
    if (perKeycode <= 0 || keycode < firstKeycode || column < 0) return 0;
    // Past the list, and in a key's unused columns, there is no symbol.
    const size_t at = static_cast<size_t>(keycode - firstKeycode) * perKeycode;
    if (column >= perKeycode || at + column >= symbols.size()) return 0;
    return symbols[at + column];
}

uint32_t XKeyboardLinux::SymbolOf(uint8_t keycode, uint16_t state) const {
    uint32_t plain = Column(keycode, 0);
    uint32_t shifted = Column(keycode, 1);
    // A key with one symbol: a letter's shifted form is its capital.
    if (shifted == 0) {
        shifted = Upper(plain);
        plain = Lower(plain);
    }
    const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    const bool lock = (state & XCB_MOD_MASK_LOCK) != 0;
    const bool numLock = (state & XCB_MOD_MASK_2) != 0;
    if (numLock && IsKeypad(shifted)) return shift ? plain : shifted;
    if (!shift && !lock) return plain;
    if (!shift && lock) return Upper(plain);
    if (shift && lock) return Upper(shifted);
    return shifted;
}

int XKeyboardLinux::SurfaceKeyOf(uint8_t keycode) const {
    // Like a virtual key, the code does not depend on Shift; keyboards whose
    // digits are shifted symbols find them in the second column.
    const int code = SurfaceKeyOfSymbol(Column(keycode, 0));
    return code >= 0 ? code : SurfaceKeyOfSymbol(Column(keycode, 1));
}

int XKeyboardLinux::SurfaceKeyOfSymbol(uint32_t symbol) {
    switch (symbol) {
    case kSpace:
        return 0;
    case kUp:
        return 1;
    case kDown:
        return 2;
    case kLeft:
        return 3;
    case kRight:
        return 4;
    default:
        break;
    }
    if (symbol >= '0' && symbol <= '9') return 6 + static_cast<int>(symbol - '0');
    if (symbol >= 'a' && symbol <= 'z') return 16 + static_cast<int>(symbol - 'a');
    if (symbol >= 'A' && symbol <= 'Z') return 16 + static_cast<int>(symbol - 'A');
    return -1;
}

std::string XKeyboardLinux::TextOf(uint32_t symbol) {
    std::string text;
    if ((symbol >= 0x20 && symbol <= 0x7E) || (symbol >= 0xA0 && symbol <= 0xFF)) {
        AppendUtf8(symbol, text);
    } else if (symbol >= kKeypadZero && symbol <= kKeypadNine) {
        text += static_cast<char>('0' + (symbol - kKeypadZero));
    } else if (symbol == kKeypadPoint) {
        text += '.';
    } else if (symbol == kKeypadMinus) {
        text += '-';
    } else if (symbol == kKeypadPlus) {
        text += '+';
    } else if (symbol == kKeypadComma) {
        text += ',';
    } else if (symbol > kUnicodeBase + 0x9F && symbol <= kUnicodeBase + 0x10FFFF) {
        const uint32_t code = symbol - kUnicodeBase;
        // No surrogates: they are not characters.
        if (code < 0xD800 || code > 0xDFFF) AppendUtf8(code, text);
    }
    return text;
}
