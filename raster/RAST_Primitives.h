// Drawing primitives: rectangles, lines, arcs and the circle rasteriser behind the arcs.
#pragma once

#include "RAST_IBitmap.h"

void RAST_FillRectangle(RAST_IBitmap* dest, int x, int y, int w, int h, Pixel colour, float alpha,
                        int mode);

// Integer end points, both included.
void RAST_DrawLine(RAST_IBitmap* dest, int x1, int y1, int x2, int y2, Pixel colour, float alpha,
                   int mode, bool antialias);

// Float end points; anti-aliased lines spread each step over two pixels.
void RAST_DrawLineF(RAST_IBitmap* dest, float x1, float y1, float x2, float y2, Pixel colour,
                    float alpha, int mode, bool antialias);

// Angles in radians, 0 straight up, growing clockwise on screen.
void RAST_DrawArc(RAST_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                  Pixel colour, float alpha, int mode, bool antialias);
void RAST_FillArc(RAST_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                  Pixel colour, float alpha, int mode, bool antialias);

// Circle (or disc with fill) around (cx, cy) with weight alpha256 out of 256;
// only pixels inside clip (exclusive right/bottom) and the bitmap are touched.
void RAST_RasterCircle(RAST_IBitmap* dest, float cx, float cy, float r, Pixel colour, int alpha256,
                       bool antialias, bool fill, int mode, const RAST_Rect* clip);
