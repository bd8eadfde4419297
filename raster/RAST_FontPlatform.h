// The platform part of the fonts: font handles, single-glyph rendering and the
// native text path. Windows uses GDI; Linux uses FreeType with fontconfig and
// has no native path.
#pragma once

#include "RAST_IFont.h"
#include "RAST_SysBitmap.h"

class RAST_FontPlatform {
public:
    // The font's cell height (GDI tmHeight); 0 for no font.
    static int LineHeight(RAST_FontHandle font);

    // Measures one character drawn as a single line: pen advance and height.
    static void MeasureGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code,
                             int& advance, int& height);

    // Draws one character in white on the canvas (already black where it
    // lands) with the pen at (left, 0); coverage ends up in the red byte.
    static void DrawGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code, int left);

    // True where the platform has a native text path at all (Windows).
    static bool HasNativeText();
    // True where the native path may be used by choice (Windows, not under Wine).
    static bool NativeTextAvailable();

    struct NativeText {
        RAST_FontHandle font;
        RAST_IBitmap* target; // may be null with RAST_DT_CALCRECT
        RAST_SysBitmap* scratch;
        const char* text;
        int count; // bytes, >= 0
        RAST_Rect* rect;
        int format;
        Pixel foreground, background;
        int backgroundMode;
        float alpha;
    };
    // Draws (or measures) natively; returns the text height. Only called when
    // NativeTextAvailable() or for fonts too tall for the glyph cache.
    static int DrawNative(const NativeText& request);
};
