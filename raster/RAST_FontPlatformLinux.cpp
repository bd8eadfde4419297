// Fonts on Linux: faces found through fontconfig and rendered with FreeType.
// There is no native text path; all text takes the glyph cache.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <string>

#include "RAST_FontPlatform.h"

namespace {

// One FreeType library and one private fontconfig configuration (the host's
// global one stays untouched) for all faces, alive while any face is.
FT_Library library = nullptr;
FcConfig* fontConfig = nullptr;
int libraryUsers = 0;

bool AcquireLibraries() {
    if (libraryUsers == 0) {
        fontConfig = FcInitLoadConfigAndFonts();
        if (!fontConfig) return false;
        if (FT_Init_FreeType(&library) != 0) {
            FcConfigDestroy(fontConfig);
            fontConfig = nullptr;
            return false;
        }
    }
    ++libraryUsers;
    return true;
}

void ReleaseLibraries() {
    if (--libraryUsers == 0) {
        FT_Done_FreeType(library);
        library = nullptr;
        FcConfigDestroy(fontConfig);
        fontConfig = nullptr;
    }
}

constexpr int kDefaultHeight = 16;    // what a height of 0 asks for
constexpr int kLargestHeight = 16384; // taller requests are cut to this

struct Face {
    FT_Face face = nullptr;
    int lineHeight = 0;
    int ascent = 0;
    FT_Int32 loadTarget = FT_LOAD_TARGET_NORMAL;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;

    ~Face() {
        if (face) FT_Done_Face(face);
        ReleaseLibraries();
    }
};

Face* FaceOf(RAST_FontHandle font) {
    return static_cast<Face*>(font);
}

// The file and index of the installed face that best matches the request;
// fontconfig substitutes its default face for names it does not know.
bool MatchFace(const char* name, bool bold, bool italic, std::string& file, int& index) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    if (name && *name)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(fontConfig, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fontConfig, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* path = nullptr;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (found) file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FcPatternDestroy(match);
    return found;
}

} // namespace

RAST_FontHandle RAST_CreateFontHandle(const char* face, int height, bool bold, bool italic,
                                      int orientation, int quality) {
    (void)orientation; // rotated text is not drawn on this platform
    if (!AcquireLibraries()) return nullptr;
    auto result = std::make_unique<Face>(); // releases the libraries again on failure
    std::string file;
    int index = 0;
    if (!MatchFace(face, bold, italic, file, index)) return nullptr;
    if (FT_New_Face(library, file.c_str(), index, &result->face) != 0) {
        result->face = nullptr;
        return nullptr;
    }
    // As GDI reads heights: positive the cell (ascent + descent), negative the em.
    const long long request = height == 0 ? kDefaultHeight : height;
    const long long pixels = std::min<long long>(request < 0 ? -request : request, kLargestHeight);
    FT_Size_RequestRec size{};
    size.type = request > 0 ? FT_SIZE_REQUEST_TYPE_REAL_DIM : FT_SIZE_REQUEST_TYPE_NOMINAL;
    size.height = static_cast<FT_Long>(pixels * 64);
    if (FT_Request_Size(result->face, &size) != 0) return nullptr;
    const FT_Size_Metrics& metrics = result->face->size->metrics;
    result->ascent = static_cast<int>((metrics.ascender + 32) >> 6);
    result->lineHeight = static_cast<int>((metrics.ascender - metrics.descender + 32) >> 6);
    if (quality == RAST_QUALITY_NONANTIALIASED) {
        result->loadTarget = FT_LOAD_TARGET_MONO;
        result->renderMode = FT_RENDER_MODE_MONO;
    }
    return result.release();
}

void RAST_DeleteFontHandle(RAST_FontHandle font) {
    std::unique_ptr<Face> owned(FaceOf(font));
}

int RAST_FontPlatform::LineHeight(RAST_FontHandle font) {
    return font ? FaceOf(font)->lineHeight : 0;
}

void RAST_FontPlatform::MeasureGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code,
                                     int& advance, int& height) {
    (void)canvas;
    advance = height = 0;
    Face* face = FaceOf(font);
    if (!face || FT_Load_Char(face->face, code, FT_LOAD_DEFAULT | face->loadTarget) != 0) return;
    advance = static_cast<int>((face->face->glyph->advance.x + 32) >> 6);
    height = face->lineHeight;
}

void RAST_FontPlatform::DrawGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code,
                                  int left) {
    Face* face = FaceOf(font);
    if (!face || !canvas.pixelData()) return;
    if (FT_Load_Char(face->face, code, FT_LOAD_DEFAULT | face->loadTarget) != 0) return;
    FT_GlyphSlot slot = face->face->glyph;
    if (FT_Render_Glyph(slot, face->renderMode) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    const long long originX = static_cast<long long>(left) + slot->bitmap_left;
    const long long originY = static_cast<long long>(face->ascent) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const long long y = originY + row;
        if (y < 0 || y >= canvas.height()) continue;
        const unsigned char* source = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        Pixel* target = canvas.pixelData() + y * canvas.rowStride();
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const long long x = originX + col;
            if (x < 0 || x >= canvas.width()) continue;
            const unsigned v =
                mono ? ((source[col >> 3] >> (7 - (col & 7))) & 1) * 255u : source[col];
            target[x] = 0xFF000000u | v << 16 | v << 8 | v;
        }
    }
}

bool RAST_FontPlatform::HasNativeText() {
    return false;
}

bool RAST_FontPlatform::NativeTextAvailable() {
    return false;
}

int RAST_FontPlatform::DrawNative(const NativeText& request) {
    (void)request;
    return 0;
}
