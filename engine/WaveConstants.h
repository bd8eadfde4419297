#pragma once

// What one wave shape is made of: the phase where its two parts meet and the
// slopes and offset of each part, set when the shape is chosen.
struct WaveConstants {
    double breakPhase, riseSlope, fallSlope, fallOffset;
};
