// The choice list a right click opens for an enumerated or boolean parameter:
// a rounded panel drawn by the editor itself, with the parameter's texts in
// one or more columns. It marks the current item, highlights the item under
// the pointer, scrolls with a bar when the items do not fit, and a left click
// on an item sets the owner's parameter to it and closes the list.
#pragma once

#include <string>
#include <vector>

#include "IArgb.h"
#include "IControl.h"
#include "IGraphics.h"
#include "ITextStyle.h"

class PromptPopup : public IControl {
public:
    static constexpr int kMaxItemLength = 31; // bytes kept of each item's text
    static constexpr int kMaxItems = 4096;    // later items are ignored
    static constexpr int kMaxColumns = 64;
    static constexpr int kEdgeMargin = 6; // placement keeps this far from the surface's edges

    // An empty list at (x, y), at least minWidth wide, in the given look
    // (usually the surface's). Columns are limited to 1..kMaxColumns.
    PromptPopup(ICoreBase* plug, int x, int y, int minWidth, int columns,
                const IGraphics::PopupStyle& look);

    // Appends an item (cut to kMaxItemLength bytes, whole characters only)
    // and grows the list: wider for long texts, one more row at the 10th,
    // 20th, 30th and 40th item, a scroll bar once the items no longer fit.
    // Choosing the item sets the parameter to value; without one, to the
    // item's position in the list.
    void AddItem(const char* text);
    void AddItem(const char* text, int value);
    // Marks the parameter's current value as the current item and scrolls to
    // it; the owner receives the choice. Shows the list.
    void Bind(int paramIndex, IControl* owner);
    // Moves the list to be centred on box, but no closer than 6 pixels to the
    // edges of a surface of the given size.
    void CentreOn(const IBounds& box, int surfaceWidth, int surfaceHeight);
    // Scrolls so that the current item lies near the middle of the page.
    void ScrollToCurrent();

    void MouseDown(int x, int y, const IMouseKeys& keys) override;
    void MouseUp(int x, int y, const IMouseKeys& keys) override;
    void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;
    void MouseWheel(int x, int y, const IMouseKeys& keys, double delta) override;
    void MouseOver(int x, int y, const IMouseKeys& keys) override;
    void MouseOut() override;
    bool Paint(IGraphics& graphics) override;

    int OriginX() const { return originX; }
    int OriginY() const { return originY; }
    int ItemCount() const { return static_cast<int>(items.size()); }
    const std::string& Item(int index) const { return items.at(static_cast<size_t>(index)); }
    int ItemValue(int index) const { return itemValues.at(static_cast<size_t>(index)); }
    int Rows() const { return rows; }
    int Columns() const { return columns; }
    int ColumnWidth() const { return columnWidth; }
    int ItemHeight() const { return itemHeight; }
    int VisibleCount() const { return visibleCount; }
    int FirstVisible() const { return firstVisible; }
    int ScrollPos() const { return scrollPos; }
    int ThumbHeight() const { return thumbHeight; }
    int HoverItem() const { return hoverItem; }
    int CurrentItem() const { return currentItem; }
    bool Dragging() const { return dragging; }
    bool HasScrollBar() const { return visibleCount < ItemCount(); }
    // The scroll bar's column at the right edge, and the thumb inside it.
    IBounds ScrollColumn() const;
    IBounds ThumbBox() const;
    // The highlight box of visible item v (counted from the first visible item).
    IBounds ItemBox(int v) const;

private:
    // The pixels the thumb can travel; 0 or less when the list is too short.
    int ScrollRange() const;
    int TotalRows() const;
    // Rows of the list shown at once.
    int ShownRows() const;
    bool IsVisibleIndex(int v) const;
    // The visible index of the item at (x, y); -1 on the scroll bar or where
    // no item is shown.
    int ItemAt(int x, int y) const;
    void TrackPointer(int x, int y);
    void ScrollBy(double pixels);
    void UpdateFirstVisible();
    // Delivers item to the owner and has the surface close the list, which
    // deletes it: nothing may follow a call of this.
    void Choose(int item);

    int originX, originY;
    int columnWidth;
    int pad = 4;
    int hoverItem = -2; // -2: the pointer is outside; -1: on the scroll bar or no item
    std::vector<std::string> items;
    std::vector<int> itemValues; // the parameter's plain value of each item
    int firstVisible = 0;
    int visibleCount = 0;
    int scrollPos = 0; // the thumb's offset inside the bar, in pixels
    int thumbHeight = 0;
    int scrollBarWidth = 9;
    bool dragging = false;
    ITextStyle itemStyle;
    ITextStyle currentStyle; // brighter, for the current item
    IArgb background;
    IArgb highlight;
    int currentItem = -1;
    int itemHeight;
    int rows = 5;
    int columns;
    bool autoRows = true;
};
