// Copies of one bitmap onto another: straight or blended rectangles and rotated copies.
#pragma once

#include "RAST_IBitmap.h"

// Copies srcRect of src (the whole source when null) to (dstx, dsty) of dest,
// blended by mode at opacity alpha; clipped to both bitmaps.
void RAST_BlitRect(RAST_IBitmap* dest, const RAST_IBitmap* src, int dstx, int dsty,
                   const RAST_Rect* srcRect, float alpha, int mode);

// RAST_BlitRect with the source rectangle (srcx, srcy, srcx + srcw, srcy + srch).
void RAST_BlitArea(RAST_IBitmap* dest, const RAST_IBitmap* src, int dstx, int dsty, int srcx,
                   int srcy, int srcw, int srch, float alpha, int mode);

// Maps the source area (srcx, srcy, srcw, srch) onto the destination rectangle
// (dstx, dsty, dstw, dsth), turned clockwise by angle (radians) about the
// centre offset by (rotxcent, rotycent); negative dstw/dsth mirror. With
// RAST_FLAG_FILTER in mode the source is sampled bilinearly.
void RAST_BlitRotated(RAST_IBitmap* dest, const RAST_IBitmap* src, int dstx, int dsty, int dstw,
                      int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                      bool clipToSource, float alpha, int mode, float rotxcent = 0.0f,
                      float rotycent = 0.0f);

// Start of row y (0 = top) of a bitmap, honouring bottomUp; y must be inside.
inline Pixel* RAST_RowPointer(const RAST_IBitmap* bitmap, int y) {
    const int row = bitmap->bottomUp() ? bitmap->height() - 1 - y : y;
    return bitmap->pixelData() + static_cast<std::ptrdiff_t>(row) * bitmap->rowStride();
}
