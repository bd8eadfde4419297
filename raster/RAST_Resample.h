// Resizing a rectangle of one bitmap into a rectangle of another, for drawing
// images at a display scale. Each axis is filtered on its own: shrinking
// averages every source pixel the target pixel covers, weighted by how much
// of it lies under (fractional ratios included); enlarging interpolates
// bilinearly. Colours are averaged weighted by their alpha, so transparent
// pixels lend no colour to the edges of what they surround.
#pragma once

#include "RAST_IBitmap.h"

// Resamples the source area (sx, sy, sw, sh) onto the target area (dx, dy,
// dw, dh), replacing what was there. Both areas must lie inside their
// bitmaps and be non-empty; false (and nothing written) otherwise.
bool RAST_Resample(const RAST_IBitmap* src, int sx, int sy, int sw, int sh, RAST_IBitmap* dst,
                   int dx, int dy, int dw, int dh);
