#include "IURLControl.h"

#include <cstring>

#include "IGraphics.h"
#include "Utf8Cut.h"

namespace {
// Copies as much of text as fits with its terminator, whole characters only.
template <size_t N> void CopyField(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    if (text) std::memcpy(field, text, Utf8CutLength(text, N - 1));
}
} // namespace

IURLControl::IURLControl(ICoreBase* plug, const IBounds& bounds, const char* url,
                         const char* backupUrl, const char* title)
    : IControl(plug, bounds) {
    CopyField(this->url, url);
    CopyField(this->backupUrl, backupUrl);
    CopyField(this->title, title);
}

bool IURLControl::Paint(IGraphics&) {
    return true;
}

void IURLControl::MouseDown(int, int, const IMouseKeys&) {
    if (!graphics) return;
    // Starting a browser may take long: not while the plug-in lock is held.
    graphics->AfterEvent([this] {
        if (url[0] != '\0' && graphics->OpenLink(url, title, nullptr, nullptr)) return;
        if (backupUrl[0] != '\0') graphics->OpenLink(backupUrl, title, nullptr, nullptr);
    });
}
