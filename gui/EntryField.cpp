#include "EntryField.h"

#include <algorithm>
#include <cstdlib>

#include "FontCache.h"
#include "RAST_CachedFont.h"
#include "RAST_Primitives.h"
#include "Utf8Encoding.h"

namespace {
constexpr int kMargin = 2;
constexpr Pixel kPaper = RAST_MakePixel(255, 255, 255, 255);
constexpr Pixel kInk = RAST_MakePixel(255, 0, 0, 0);
constexpr Pixel kHighlight = RAST_MakePixel(255, 0, 120, 215);
constexpr Pixel kHighlightInk = RAST_MakePixel(255, 255, 255, 255);

bool Continues(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Bytes of the well-formed, typeable character at s (whose length is left),
// or 0: control characters and malformed UTF-8 are not typed.
size_t CharacterLength(const unsigned char* s, size_t left) {
    size_t used = 1;
    const std::int32_t code = DecodeUtf8(s, left, used);
    if (code < 0x20 || code == 0x7F) return 0;
    return used;
}
} // namespace

EntryField::EntryField(const IBounds& box, const char* initial, int fontHeight)
    : box(box), fontHeight(std::max(1, fontHeight)),
      style("Arial", this->fontHeight, IArgb{255, 0, 0, 0}) {
    Type(initial);
    anchor = 0;
}

void EntryField::Type(const char* utf8) {
    if (!utf8) return;
    std::string accepted;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    size_t left = std::char_traits<char>::length(utf8);
    while (left > 0) {
        const size_t length = CharacterLength(s, left);
        if (length > 0) accepted.append(reinterpret_cast<const char*>(s), length);
        s += std::max<size_t>(length, 1);
        left -= std::max<size_t>(length, 1);
    }
    const size_t start = SelectionStart();
    text.erase(start, SelectionEnd() - start);
    size_t room = kMaxBytes - std::min(kMaxBytes, text.size());
    if (accepted.size() > room) {
        // Whole characters only.
        while (room > 0 && Continues(static_cast<unsigned char>(accepted[room])))
            --room;
        accepted.resize(room);
    }
    text.insert(start, accepted);
    Collapse(start + accepted.size());
}

void EntryField::Backspace() {
    if (!HasSelection()) anchor = PreviousBoundary(caret);
    const size_t start = SelectionStart();
    text.erase(start, SelectionEnd() - start);
    Collapse(start);
}

void EntryField::Delete() {
    if (!HasSelection()) anchor = NextBoundary(caret);
    const size_t start = SelectionStart();
    text.erase(start, SelectionEnd() - start);
    Collapse(start);
}

void EntryField::Left() {
    Collapse(HasSelection() ? SelectionStart() : PreviousBoundary(caret));
}

void EntryField::Right() {
    Collapse(HasSelection() ? SelectionEnd() : NextBoundary(caret));
}

void EntryField::Home() {
    Collapse(0);
}

void EntryField::End() {
    Collapse(text.size());
}

void EntryField::Deselect() {
    Collapse(caret);
}

void EntryField::PlaceCaret(int x) {
    const long long column = static_cast<long long>(x) - box.left - TextLeft();
    size_t best = 0;
    long long bestDistance = -1;
    for (size_t at = 0;; at = NextBoundary(at)) {
        const long long distance = std::llabs(column - PrefixWidth(at));
        if (bestDistance < 0 || distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
        if (at >= text.size()) break;
    }
    Collapse(best);
}

size_t EntryField::PreviousBoundary(size_t at) const {
    if (at == 0) return 0;
    --at;
    while (at > 0 && Continues(static_cast<unsigned char>(text[at])))
        --at;
    return at;
}

size_t EntryField::NextBoundary(size_t at) const {
    if (at >= text.size()) return text.size();
    ++at;
    while (at < text.size() && Continues(static_cast<unsigned char>(text[at])))
        ++at;
    return at;
}

void EntryField::Collapse(size_t at) {
    caret = anchor = std::min(at, text.size());
    stale = true;
}

int EntryField::PrefixWidth(size_t bytes) {
    if (bytes == 0) return 0;
    RAST_CachedFont* font = FontCache::Instance().FindOrCreate(style);
    if (!font) return static_cast<int>(std::min<size_t>(bytes, kMaxBytes)) * fontHeight / 2;
    RAST_Rect extent{0, 0, 0, 0};
    font->renderText(nullptr, text.data(), static_cast<int>(std::min(bytes, text.size())), &extent,
                     RAST_DT_CALCRECT | RAST_DT_SINGLELINE);
    return extent.right - extent.left;
}

int EntryField::TextLeft() {
    const int inner = box.W() - 2 * kMargin;
    const int total = PrefixWidth(text.size());
    if (total <= inner) {
        scroll = 0;
        return (box.W() - total) / 2;
    }
    // Too long to centre: scrolled just enough to show the caret.
    const int caretX = PrefixWidth(caret);
    scroll = std::clamp(scroll, caretX - inner + 1, caretX);
    scroll = std::clamp(scroll, 0, total - inner + 1);
    return kMargin - scroll;
}

const RAST_IBitmap& EntryField::Picture() {
    if (stale) Render();
    return picture;
}

void EntryField::Render() {
    stale = false;
    const int w = std::max(0, box.W()), h = std::max(0, box.H());
    picture.resize(w, h);
    if (w == 0 || h == 0) return;
    RAST_FillRectangle(&picture, 0, 0, w, h, kPaper, 1.0f, RAST_MODE_COPY);
    RAST_CachedFont* font = FontCache::Instance().FindOrCreate(style);
    const int left = TextLeft();
    const int lineHeight = font && font->lineHeight() > 0 ? font->lineHeight() : fontHeight;
    const int top = (h - lineHeight) / 2;

    auto draw = [&](size_t from, size_t to, Pixel ink) {
        if (!font || to <= from) return;
        const int x = left + PrefixWidth(from);
        RAST_Rect rect{x, top, w, top + lineHeight};
        font->setForeground(ink);
        font->renderText(&picture, text.data() + from, static_cast<int>(to - from), &rect,
                         RAST_DT_NOCLIP | RAST_DT_SINGLELINE);
    };
    draw(0, text.size(), kInk);
    if (HasSelection()) {
        const int x1 = left + PrefixWidth(SelectionStart());
        const int x2 = left + PrefixWidth(SelectionEnd());
        RAST_FillRectangle(&picture, x1, top, x2 - x1, lineHeight, kHighlight, 1.0f,
                           RAST_MODE_COPY);
        draw(SelectionStart(), SelectionEnd(), kHighlightInk);
    } else {
        RAST_FillRectangle(&picture, left + PrefixWidth(caret), top, 1, lineHeight, kInk, 1.0f,
                           RAST_MODE_COPY);
    }
}
