// The buttons and modifier keys held during a pointer event (each 0 or 1).
#pragma once

#include <cstdint>

struct IMouseKeys {
    uint8_t left = 0, right = 0, shift = 0, control = 0, alt = 0;

    // Either modifier asks for fine adjustment of wheel and drag edits.
    bool Fine() const { return shift != 0 || control != 0; }
};
