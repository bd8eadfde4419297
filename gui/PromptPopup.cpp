#include "PromptPopup.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ICoreBase.h"
#include "IEngineParam.h"
#include "Utf8Cut.h"

namespace {
constexpr int kMinWidth = 10;
constexpr int kInitialHeight = 30;
constexpr int kInitialRows = 5;
constexpr int kMaxAutoRowItem = 40; // rows grow at every 10th item up to here
constexpr int kMinCharWidth = 5;
// Sizes beyond these come from a broken style; they would only overflow.
constexpr int64_t kMaxCharWidth = 1000;
constexpr int64_t kMaxItemHeight = 2000;
constexpr int64_t kMaxColumnWidth = 1 << 20;
constexpr int kPanelRadius = 4;
constexpr int kThumbRadius = 3;
constexpr int kCurrentAlphaBoost = 55;
constexpr int kThumbHoverAlphaBoost = 20;
constexpr int kTrackAlphaDrop = 20;
constexpr double kSeparatorAlpha = 0.6;
constexpr int kWheelPixels = 3; // per notch, towards the top when turned away

int Saturate(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Half away from zero, held inside the int range (NaN gives 0).
int RoundToInt(double v) {
    if (std::isnan(v)) return 0;
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::round(v), -limit, limit));
}

IBounds Box(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return IBounds{Saturate(left), Saturate(top), Saturate(right), Saturate(bottom)};
}
} // namespace

PromptPopup::PromptPopup(ICoreBase* plug, int x, int y, int minWidth, int columns,
                         const IGraphics::PopupStyle& look)
    : IControl(plug,
               Box(x, y, int64_t{x} + std::max(kMinWidth, minWidth), int64_t{y} + kInitialHeight)),
      originX(x), originY(y),
      columnWidth(static_cast<int>(std::clamp<int64_t>(minWidth, 0, kMaxColumnWidth))),
      itemStyle(look.text), currentStyle(look.text), background(look.background),
      highlight(look.highlight),
      itemHeight(
          static_cast<int>(std::clamp<int64_t>(int64_t{look.text.size} + 6, 1, kMaxItemHeight))),
      rows(kInitialRows), columns(std::clamp(columns, 1, kMaxColumns)) {
    currentStyle.colour.A = std::min(255, std::max(0, currentStyle.colour.A) + kCurrentAlphaBoost);
    visibleCount = this->columns * rows;
}

void PromptPopup::AddItem(const char* text) {
    AddItem(text, ItemCount());
}

void PromptPopup::AddItem(const char* text, int value) {
    if (ItemCount() >= kMaxItems) return;
    const size_t length = Utf8CutLength(text, kMaxItemLength);
    items.emplace_back(text ? std::string(text, length) : std::string());
    itemValues.push_back(value);

    const int64_t charWidth =
        std::clamp<int64_t>(int64_t{itemStyle.size} - 8, kMinCharWidth, kMaxCharWidth);
    const int64_t needed = static_cast<int64_t>(length) * charWidth + 2 * pad + 20;
    columnWidth =
        static_cast<int>(std::min(std::max<int64_t>(columnWidth, needed), kMaxColumnWidth));

    const int count = ItemCount();
    if (autoRows && count % 10 == 0 && count <= kMaxAutoRowItem) ++rows;
    visibleCount = columns * rows;

    int64_t height = 0, extraWidth = pad;
    if (visibleCount < count) {
        const double page = double(rows) * itemHeight;
        const double minThumb = 1.5 * itemHeight;
        // The thumb shrinks linearly from about a page to one and a half
        // items as the list grows to four pages.
        thumbHeight =
            4 * rows < count
                ? static_cast<int>(minThumb)
                : static_cast<int>((minThumb - page) * (count - rows) / (3.0 * rows) + page);
        height = int64_t{rows} * itemHeight;
        extraWidth = pad + scrollBarWidth + 2;
    } else {
        thumbHeight = 0;
        height = int64_t{TotalRows()} * itemHeight;
    }
    bounds = Box(bounds.left, bounds.top,
                 int64_t{bounds.left} + int64_t{columnWidth} * columns + extraWidth,
                 int64_t{bounds.top} + height);
    hitBounds = bounds;
}

void PromptPopup::Bind(int paramIndex, IControl* owner) {
    const IEngineParam* param = paramIndex >= 0 && plug ? plug->GetParam(paramIndex) : nullptr;
    if (param) {
        // The first item that stands for the parameter's value, if any.
        const double plain = std::round(param->PlainValue());
        const auto found = std::find_if(itemValues.begin(), itemValues.end(),
                                        [plain](int value) { return value == plain; });
        currentItem = found == itemValues.end() ? -1 : static_cast<int>(found - itemValues.begin());
    }
    ScrollToCurrent();
    parent = owner;
    SetHidden(false);
}

void PromptPopup::CentreOn(const IBounds& box, int surfaceWidth, int surfaceHeight) {
    // Along one axis: centred on the box, else pushed inside the margins.
    auto place = [](int64_t start, int64_t boxSize, int64_t size, int64_t limit) -> int64_t {
        const int64_t centred = start + (boxSize - size) / 2;
        if (centred <= kEdgeMargin - 1) return kEdgeMargin;
        if (centred + size > limit - kEdgeMargin) return limit - kEdgeMargin - size;
        return centred;
    };
    const int64_t w = bounds.W(), h = bounds.H();
    const int64_t left = place(bounds.left, box.W(), w, surfaceWidth);
    const int64_t top = place(bounds.top, box.H(), h, surfaceHeight);
    bounds = Box(left, top, left + w, top + h);
    hitBounds = bounds;
}

int PromptPopup::TotalRows() const {
    return (ItemCount() + columns - 1) / columns;
}

int PromptPopup::ShownRows() const {
    return HasScrollBar() ? rows : TotalRows();
}

int PromptPopup::ScrollRange() const {
    return Saturate(int64_t{bounds.H()} - thumbHeight - 2);
}

void PromptPopup::ScrollToCurrent() {
    if (!HasScrollBar()) return;
    const int range = ScrollRange(), spanRows = TotalRows() - rows;
    if (range <= 0 || spanRows <= 0) {
        scrollPos = 0;
        return;
    }
    const int row = currentItem < 0 ? 0 : currentItem / columns;
    const int half = (rows + 1) / 2;
    const int target = std::clamp(row + 1 - half, 0, spanRows);
    scrollPos = RoundToInt(double(range) * target / spanRows);
}

void PromptPopup::ScrollBy(double pixels) {
    if (std::isnan(pixels)) return;
    const double range = std::max(0, ScrollRange());
    scrollPos = static_cast<int>(std::round(std::clamp(scrollPos + pixels, 0.0, range)));
    MarkDirty(true);
}

void PromptPopup::UpdateFirstVisible() {
    const int range = ScrollRange(), spanRows = TotalRows() - rows;
    if (!HasScrollBar() || range <= 0 || spanRows <= 0) {
        firstVisible = 0;
        return;
    }
    firstVisible = columns * RoundToInt(double(spanRows) * scrollPos / range);
}

IBounds PromptPopup::ScrollColumn() const {
    return Box(int64_t{bounds.right} - scrollBarWidth - 2, bounds.top, int64_t{bounds.right} - 1,
               bounds.bottom);
}

IBounds PromptPopup::ThumbBox() const {
    const IBounds column = ScrollColumn();
    const int64_t top = int64_t{bounds.top} + scrollPos + 1;
    return Box(column.left, top, column.right, top + thumbHeight);
}

IBounds PromptPopup::ItemBox(int v) const {
    const int64_t col = v % columns, row = v / columns;
    const int64_t left = bounds.left, top = bounds.top;
    return Box(left + columnWidth * col + pad, top + row * itemHeight + 1,
               left + columnWidth * (col + 1), top + itemHeight * (row + 1) - 1);
}

bool PromptPopup::IsVisibleIndex(int v) const {
    return v >= 0 && v < visibleCount && int64_t{firstVisible} + v < ItemCount();
}

int PromptPopup::ItemAt(int x, int y) const {
    if (HasScrollBar() && x >= ScrollColumn().left) return -1;
    const int64_t dy = int64_t{y} - bounds.top;
    if (dy < 0) return -1;
    const int64_t row = dy / itemHeight;
    if (row >= ShownRows()) return -1;
    int64_t col = 0;
    if (columns > 1 && columnWidth > 0) {
        const int64_t dx = int64_t{x} - (int64_t{bounds.left} + RoundToInt(pad * 0.5));
        // Floor division, so a point left of the first column stays in it.
        col = std::clamp<int64_t>((dx >= 0 ? dx : dx - columnWidth + 1) / columnWidth, 0,
                                  columns - 1);
    }
    const int64_t index = row * columns + col;
    return IsVisibleIndex(static_cast<int>(index)) ? static_cast<int>(index) : -1;
}

void PromptPopup::TrackPointer(int x, int y) {
    const int index = ItemAt(x, y);
    if (index == hoverItem) return;
    hoverItem = index;
    MarkDirty(true);
}

void PromptPopup::MouseOver(int x, int y, const IMouseKeys&) {
    TrackPointer(x, y);
}

void PromptPopup::MouseOut() {
    hoverItem = -2;
    MarkDirty(true);
}

void PromptPopup::MouseDown(int x, int y, const IMouseKeys& keys) {
    if (HasScrollBar() && x >= ScrollColumn().left) {
        if (keys.right) return;
        dragging = true;
        const IBounds thumb = ThumbBox();
        if (y >= thumb.top && y < thumb.bottom) {
            MarkDirty(true);
            return;
        }
        // A press on the track brings the thumb's centre to the pointer.
        ScrollBy(double(y) - scrollPos - bounds.top - RoundToInt(thumbHeight * 0.5));
        return;
    }
    if (keys.right) return;
    // The press itself says what lies under it, whether or not the pointer
    // was tracked on the way there.
    TrackPointer(x, y);
    if (hoverItem < 0) return;
    const int item = firstVisible + hoverItem;
    if (item >= ItemCount()) return;
    Choose(item);
}

void PromptPopup::Choose(int item) {
    const std::string text = items[static_cast<size_t>(item)];
    IControl* receiver = parent && parent->Parent() ? parent->Parent() : parent;
    if (receiver) {
        ICoreBase* core = receiver->Plug();
        const int index = receiver->ParamIndex();
        const IEngineParam* param = core && index >= 0 ? core->GetParam(index) : nullptr;
        if (param) {
            core->BeginHostEdit(index);
            receiver->SetValueFromUser(param->ToNormalized(itemValues[static_cast<size_t>(item)]));
            core->EndHostEdit(index);
        }
        receiver->PopupChoice(text.c_str(), item);
    }
    if (IGraphics* surface = graphics) surface->PopupItemChosen();
}

void PromptPopup::MouseUp(int, int, const IMouseKeys&) {
    if (!HasScrollBar()) return;
    dragging = false;
    MarkDirty(true);
}

void PromptPopup::MouseDrag(int, int, int, int dY, const IMouseKeys&) {
    if (dragging) ScrollBy(dY);
}

void PromptPopup::MouseWheel(int, int, const IMouseKeys&, double delta) {
    if (HasScrollBar()) ScrollBy(-kWheelPixels * delta);
}

bool PromptPopup::Paint(IGraphics& graphics) {
    if (HasScrollBar()) UpdateFirstVisible();
    graphics.FillRoundBox(background, bounds, kPanelRadius, IGraphics::kAllCorners);

    const int64_t left = bounds.left, top = bounds.top;
    if (columns > 1) {
        IArgb line = highlight;
        line.A = static_cast<int>(highlight.A * kSeparatorAlpha);
        for (int i = 1; i < columns; ++i) {
            const float x =
                static_cast<float>(left + int64_t{i} * columnWidth) + (pad * 0.5f - 0.5f);
            graphics.DrawLine(line, x, static_cast<float>(top + pad), x,
                              static_cast<float>(int64_t{bounds.bottom} - pad));
        }
    }

    const int current = currentItem < 0 ? -1 : currentItem - firstVisible;
    if (IsVisibleIndex(current)) {
        graphics.DrawRoundBox(highlight, ItemBox(current), kPanelRadius);
        graphics.FillRoundBox(highlight, ItemBox(current), kPanelRadius, IGraphics::kAllCorners);
    }
    if (IsVisibleIndex(hoverItem) && hoverItem != current)
        graphics.FillRoundBox(highlight, ItemBox(hoverItem), kPanelRadius, IGraphics::kAllCorners);

    const int textTop = RoundToInt(pad * 0.75);
    for (int v = 0; IsVisibleIndex(v); ++v) {
        const int64_t col = v % columns, row = v / columns;
        const IBounds box =
            Box(left + col * columnWidth + 2 * pad, top + row * itemHeight + textTop,
                left + (col + 1) * columnWidth, top + itemHeight * (row + 1));
        ITextStyle& style = v == current ? currentStyle : itemStyle;
        graphics.DrawText(style, items[static_cast<size_t>(firstVisible + v)].c_str(), box);
    }

    if (HasScrollBar()) {
        const IBounds column = ScrollColumn();
        IArgb track = highlight;
        track.A -= kTrackAlphaDrop;
        graphics.DrawRoundBox(
            track, Box(int64_t{column.left} - 1, top, int64_t{column.right} + 1, bounds.bottom),
            kPanelRadius);
        IArgb thumb = highlight;
        if (hoverItem == -1 && !dragging) thumb.A += kThumbHoverAlphaBoost;
        graphics.FillRoundBox(thumb, ThumbBox(), kThumbRadius, IGraphics::kAllCorners);
    }
    return true;
}
