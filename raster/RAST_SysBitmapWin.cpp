// The system bitmap on Windows: a top-down 32-bit DIB section selected into a
// memory device context compatible with the screen.
#include <cstring>
#include <windows.h>

#include "RAST_SysBitmapSurface.h"

struct RAST_SysBitmap::Surface::Handles {
    HDC dc = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ previous = nullptr; // selected before the DIB; restored before deleting it
};

RAST_SysBitmap::Surface::Surface() : handles_(std::make_unique<Handles>()) {
    handles_->dc = CreateCompatibleDC(nullptr);
}

RAST_SysBitmap::Surface::~Surface() {
    release();
    if (handles_->dc) DeleteDC(handles_->dc);
}

bool RAST_SysBitmap::Surface::usable() const {
    return handles_->dc != nullptr;
}
void* RAST_SysBitmap::Surface::deviceContext() const {
    return handles_->dc;
}

Pixel* RAST_SysBitmap::Surface::create(int stride, int rows) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = stride;
    info.bmiHeader.biHeight = -rows; // negative: rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(handles_->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) {
        if (dib) DeleteObject(dib);
        return nullptr;
    }
    handles_->dib = dib;
    handles_->previous = SelectObject(handles_->dc, dib);
    // The system hands out fresh pages zeroed, but does not promise it for
    // DIB sections; the store must start transparent black.
    std::memset(bits, 0, std::size_t(stride) * std::size_t(rows) * sizeof(Pixel));
    return static_cast<Pixel*>(bits);
}

void RAST_SysBitmap::Surface::release() {
    if (!handles_->dib) return;
    if (handles_->previous) SelectObject(handles_->dc, handles_->previous);
    handles_->previous = nullptr;
    DeleteObject(handles_->dib);
    handles_->dib = nullptr;
}
