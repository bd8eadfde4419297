// Abstract font: draws UTF-8 text into a bitmap. Fonts wrap a platform font
// handle (RAST_FontHandle) made by RAST_CreateFontHandle.
#pragma once

#include "RAST_IBitmap.h"
#include "RAST_Types.h"

// A GDI HFONT on Windows; elsewhere the library's own face object. Opaque here
// so that this header needs no platform header.
using RAST_FontHandle = void*;

// Format flags of renderText: the GDI DT_ values, so that they pass straight
// through to DrawText on Windows.
constexpr int RAST_DT_LEFT = 0x0;
constexpr int RAST_DT_CENTER = 0x1;
constexpr int RAST_DT_RIGHT = 0x2;
constexpr int RAST_DT_VCENTER = 0x4;
constexpr int RAST_DT_BOTTOM = 0x8;
constexpr int RAST_DT_WORDBREAK = 0x10;
constexpr int RAST_DT_SINGLELINE = 0x20;
constexpr int RAST_DT_NOCLIP = 0x100;
constexpr int RAST_DT_CALCRECT = 0x400;
// Scale the blend alpha by the foreground colour's alpha for this call.
constexpr int RAST_TEXT_USE_FG_ALPHA = 0x40000000;
// Reserved for the font's own measuring calls.
constexpr int RAST_TEXT_INTERNAL = static_cast<int>(0x80000000u);

#ifndef _WIN32
// Where no Windows header defines them, the GDI names are ours.
constexpr int DT_LEFT = RAST_DT_LEFT;
constexpr int DT_CENTER = RAST_DT_CENTER;
constexpr int DT_RIGHT = RAST_DT_RIGHT;
constexpr int DT_VCENTER = RAST_DT_VCENTER;
constexpr int DT_BOTTOM = RAST_DT_BOTTOM;
constexpr int DT_WORDBREAK = RAST_DT_WORDBREAK;
constexpr int DT_SINGLELINE = RAST_DT_SINGLELINE;
constexpr int DT_NOCLIP = RAST_DT_NOCLIP;
constexpr int DT_CALCRECT = RAST_DT_CALCRECT;
#endif

// Font flags of adoptGdiFont.
constexpr int RAST_FONT_VERTICAL = 0x1;
constexpr int RAST_FONT_VERTICAL_FLIP = 0x2;
constexpr int RAST_FONT_ASCII_ONLY = 0x4; // cache 0..127 at once, never other codes
constexpr int RAST_FONT_BLUR = 0x10;
constexpr int RAST_FONT_INVERT = 0x20;
constexpr int RAST_FONT_EFFECTS = 0x1C0;
constexpr int RAST_FONT_OWNS_HANDLE = 0x200; // delete the handle with the font
constexpr int RAST_FONT_PREFER_GDI = 0x400;  // draw natively where the platform can

// Background modes (the GDI values).
constexpr int RAST_BK_TRANSPARENT = 1;
constexpr int RAST_BK_OPAQUE = 2;

// Font qualities (the GDI values).
constexpr int RAST_QUALITY_DEFAULT = 0;
constexpr int RAST_QUALITY_NONANTIALIASED = 3;
constexpr int RAST_QUALITY_ANTIALIASED = 4;
constexpr int RAST_QUALITY_CLEARTYPE = 5;

// Makes a platform font: height in pixels as GDI reads it (positive: cell
// height, negative: character height, 0: a default size), orientation in
// tenths of a degree, quality one of RAST_QUALITY_*. An unknown face falls back
// to the system's default face. Null when no font can be made.
RAST_FontHandle RAST_CreateFontHandle(const char* face, int height, bool bold, bool italic,
                                      int orientation, int quality);
void RAST_DeleteFontHandle(RAST_FontHandle font);

class RAST_IFont {
public:
    virtual ~RAST_IFont() = default;

    virtual void adoptGdiFont(RAST_FontHandle font, int flags) = 0;
    // Each setter returns the previous value.
    virtual Pixel setForeground(Pixel colour) = 0;
    virtual Pixel setBackground(Pixel colour) = 0;
    virtual Pixel setEffectTint(Pixel colour) = 0;
    virtual int setBackgroundMode(int mode) = 0;
    virtual void setBlend(int mode, float alpha) = 0;
    // Draws count bytes of UTF-8 (-1: up to the terminating zero) into rect;
    // with RAST_DT_CALCRECT only measures and sets rect to the text's extent.
    // Returns the height of the text.
    virtual int renderText(RAST_IBitmap* target, const char* text, int count, RAST_Rect* rect,
                           int format) = 0;
    virtual Pixel foreground() const = 0;
    virtual RAST_FontHandle gdiFont() const = 0;
    virtual int lineHeight() const = 0;
    virtual void setExtraLineGap(int pixels) = 0;
};
