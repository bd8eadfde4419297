#include "EntryField.h"

#include <gtest/gtest.h>
#include <string>

#include "RAST_Blit.h"

namespace {
const IBounds kBox{100, 50, 160, 66};

Pixel At(EntryField& field, int x, int y) {
    return RAST_RowPointer(&field.Picture(), y)[x] & 0xFFFFFFu;
}
} // namespace

TEST(EntryFieldTest, EditsWholeCharactersAndKeepsOnlyWhatCanBeTyped) {
    EntryField field(kBox, "4.00");
    EXPECT_EQ(field.SelectionStart(), 0u);
    EXPECT_EQ(field.SelectionEnd(), 4u);
    // Typing replaces the selection; controls and broken bytes are dropped.
    field.Type("1\t2\x80\xC3(\n\xC3\xA9");
    EXPECT_EQ(field.Text(), "12(\xC3\xA9");
    // Overlong forms, surrogates and codes past U+10FFFF are malformed too.
    field.Type("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80");
    EXPECT_EQ(field.Text(), "12(\xC3\xA9");
    EXPECT_FALSE(field.HasSelection());
    // Backspace takes the two-byte character as one.
    field.Backspace();
    EXPECT_EQ(field.Text(), "12(");
    field.Type("\xE2\x82\xAC");
    field.Left();
    EXPECT_EQ(field.Caret(), 3u);
    field.Delete();
    field.Home();
    field.Backspace();
    field.Left();
    EXPECT_EQ(field.Text(), "12(");
    EXPECT_EQ(field.Caret(), 0u);
    field.End();
    field.Right();
    EXPECT_EQ(field.Caret(), 3u);

    // The length is capped without splitting a character.
    EntryField full(kBox, "");
    full.Type(std::string(EntryField::kMaxBytes - 1, '7').c_str());
    full.Type("\xC3\xA9");
    EXPECT_EQ(full.Text().size(), EntryField::kMaxBytes - 1);
    full.Type("8");
    EXPECT_EQ(full.Text().size(), EntryField::kMaxBytes);
    // A long text scrolls to keep the caret in view: its end is drawn.
    const IBounds fieldSize{0, 0, kBox.W(), kBox.H()};
    int inked = 0;
    for (int x = fieldSize.right - 12; x < fieldSize.right - 2; ++x)
        for (int y = 0; y < fieldSize.bottom; ++y)
            inked += At(full, x, y) != 0xFFFFFFu;
    EXPECT_GT(inked, 10);
}

TEST(EntryFieldTest, ClicksPlaceTheCaretAndThePictureShowsSelectionAndCaret) {
    EntryField field(kBox, "123456");
    // Selected text lies on the highlight colour.
    int highlighted = 0;
    for (int x = 0; x < kBox.W(); ++x)
        highlighted += At(field, x, kBox.H() / 2) == 0x0078D7u;
    EXPECT_GT(highlighted, 10);

    field.PlaceCaret(kBox.left - 50);
    EXPECT_EQ(field.Caret(), 0u);
    EXPECT_FALSE(field.HasSelection());
    field.PlaceCaret(kBox.right + 50);
    EXPECT_EQ(field.Caret(), 6u);
    field.PlaceCaret((kBox.left + kBox.right) / 2);
    EXPECT_EQ(field.Caret(), 3u);
    // No highlight once nothing is selected; the caret is a black column
    // between the third and fourth digit, near the middle.
    highlighted = 0;
    int caretColumns = 0;
    for (int x = 0; x < kBox.W(); ++x) {
        highlighted += At(field, x, kBox.H() / 2) == 0x0078D7u;
        bool column = true;
        for (int y = 2; y < kBox.H() - 2; ++y)
            column = column && At(field, x, y) == 0u;
        if (column) {
            ++caretColumns;
            EXPECT_NEAR(x, kBox.W() / 2, 3);
        }
    }
    EXPECT_EQ(highlighted, 0);
    EXPECT_EQ(caretColumns, 1);
}
