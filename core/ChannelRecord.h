#pragma once

#include <vector>

// One audio channel of the core's channel model: whether the host connected
// it, the engine's pointer slot for it, a 64-bit scratch buffer and, for
// outputs, the host's 32-bit buffer of the current block.
struct ChannelRecord {
    bool connected = true;
    double** slot = nullptr;
    std::vector<double> scratch;
    float* hostBuffer32 = nullptr;
};
