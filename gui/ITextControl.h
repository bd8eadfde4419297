// A line of text drawn in a box with a given style; changing the text
// repaints it.
#pragma once

#include <string>

#include "IControl.h"
#include "ITextStyle.h"

class ITextControl : public IControl {
public:
    ITextControl(ICoreBase* plug, const IBounds& bounds, const ITextStyle& style,
                 std::string text = {});

    void Capture() override;
    // An empty text paints nothing.
    bool Paint(IGraphics& graphics) override;
    // Repaints only when the text really changes.
    virtual void SetText(const std::string& newText);

    const std::string& Text() const { return text; }
    const ITextStyle& Style() const { return style; }

protected:
    ITextStyle style;
    std::string text;
    std::string drawnText;
};
