// How an image or shape is combined with what is already drawn.
#pragma once

#include <cstdint>

#include "RAST_Types.h"

struct IBlend {
    enum Method : int32_t {
        kSourceAlpha = 0, // weighted by the source's own alpha
        kCopy = 1,        // opaque copy
        kAdd = 2,
        kDodge = 3,
    };

    int32_t method = kSourceAlpha;
    float weight = 1.0f; // overall opacity

    // The raster mode word; unknown methods fall back to the source-alpha copy.
    int RastMode() const {
        switch (method) {
        case kCopy:
            return RAST_MODE_COPY;
        case kAdd:
            return RAST_MODE_ADD | RAST_FLAG_SRCALPHA;
        case kDodge:
            return RAST_MODE_DODGE | RAST_FLAG_SRCALPHA;
        default:
            return RAST_MODE_COPY | RAST_FLAG_SRCALPHA;
        }
    }

    // Drawing calls take an optional blend; none means the defaults.
    static int RastModeOf(const IBlend* blend) {
        return blend ? blend->RastMode() : IBlend{}.RastMode();
    }
    static float WeightOf(const IBlend* blend) { return blend ? blend->weight : 1.0f; }
};
