// A single-line text field that the editor draws itself over a control, for
// typing a parameter value where the platform offers no native field: the
// text centred while it fits (scrolled to keep the caret in view when it does
// not), a caret, a selection that starts out holding all of the text (as a
// native field opens), and the editing keys. It paints into a picture of its
// own size, which the window lays over whatever the controls painted.
#pragma once

#include <cstddef>
#include <string>

#include "IBounds.h"
#include "ITextStyle.h"
#include "RAST_MemBitmap.h"

class EntryField {
public:
    // Bytes of text the field holds at most; typing beyond it is ignored.
    static constexpr size_t kMaxBytes = 1000;
    static constexpr int kFontHeight = 14;

    // A field over box (window pixels) holding text, all of it selected, in
    // a font of fontHeight pixels (the display scale's).
    EntryField(const IBounds& box, const char* text, int fontHeight = kFontHeight);

    const IBounds& Box() const { return box; }
    const std::string& Text() const { return text; }
    // Byte positions, always on character boundaries.
    size_t Caret() const { return caret; }
    size_t SelectionStart() const { return caret < anchor ? caret : anchor; }
    size_t SelectionEnd() const { return caret < anchor ? anchor : caret; }
    bool HasSelection() const { return caret != anchor; }

    // UTF-8 text replaces the selection, or goes in at the caret. Control
    // characters and malformed bytes are dropped; text past kMaxBytes too.
    void Type(const char* utf8);
    // Delete the selection, or the character before / after the caret.
    void Backspace();
    void Delete();
    // Move the caret by one character, or to an end; a selection collapses
    // to its side (Left, Right) or gives way to the end (Home, End).
    void Left();
    void Right();
    void Home();
    void End();
    // Drops the selection, leaving the caret where it is.
    void Deselect();
    // Puts the caret at the character boundary nearest the surface column x.
    void PlaceCaret(int x);

    // The field as it looks now: box-sized, white, the text in black, the
    // selection highlighted and the caret drawn when nothing is selected.
    const RAST_IBitmap& Picture();

private:
    // Left edge of the text in the picture, after centring or scrolling.
    int TextLeft();
    int PrefixWidth(size_t bytes);
    size_t PreviousBoundary(size_t at) const;
    size_t NextBoundary(size_t at) const;
    void Collapse(size_t at);
    void Render();

    IBounds box;
    std::string text;
    size_t caret = 0;
    size_t anchor = 0;
    int scroll = 0; // pixels the text is shifted left when it does not fit
    int fontHeight;
    ITextStyle style;
    RAST_MemBitmap picture;
    bool stale = true;
};
