#pragma once

#include <string>

#include "StateChunk.h"

// One program slot: filled by the plug-in at construction or turned into a
// user preset when first selected.
struct PresetSlot {
    static constexpr size_t kMaxNameLength = 255;

    bool initialised = false;
    std::string name;
    StateChunk chunk;
};
