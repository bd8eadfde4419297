// The X server's keyboard: which symbols each key code carries, read from
// the server when a window opens and again when the mapping changes, and what
// the editor makes of a symbol (a surface key code, or text to type).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

class XKeyboardLinux {
public:
    // Reads the mapping of every key code; false (and an empty map) when the
    // server does not answer.
    bool Load(xcb_connection_t* connection);

    // The symbol a key produces with the given modifier state (Shift, Lock
    // and the usual Num Lock modifier, Mod2), by the core protocol's rules;
    // 0 for none.
    uint32_t SymbolOf(uint8_t keycode, uint16_t state) const;
    // The symbols of a key without and with Shift (0 where none).
    uint32_t Column(uint8_t keycode, int column) const;

    // The surface's key code of a key, as the Windows window translates
    // virtual keys: space 0, the arrows 1 (up) to 4 (right), the digits of
    // the main block 6..15 and the letters 16..41 whatever the shift state;
    // -1 for any other key.
    int SurfaceKeyOf(uint8_t keycode) const;
    static int SurfaceKeyOfSymbol(uint32_t symbol);
    // The UTF-8 text a symbol types into a text field (printable Latin-1,
    // Unicode symbols, keypad digits and signs); empty for anything else.
    static std::string TextOf(uint32_t symbol);

private:
    uint8_t firstKeycode = 0;
    int perKeycode = 0;
    std::vector<uint32_t> symbols;
};
