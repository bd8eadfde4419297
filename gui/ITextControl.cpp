#include "ITextControl.h"

#include <utility>

#include "IGraphics.h"

ITextControl::ITextControl(ICoreBase* plug, const IBounds& bounds, const ITextStyle& style,
                           std::string text)
    : IControl(plug, bounds), style(style), text(std::move(text)) {}

void ITextControl::Capture() {
    IControl::Capture();
    drawnText = text;
}

bool ITextControl::Paint(IGraphics& graphics) {
    if (drawnText.empty()) return true;
    return graphics.DrawText(style, drawnText.c_str(), bounds);
}

void ITextControl::SetText(const std::string& newText) {
    if (newText == text) return;
    MarkDirty(false);
    text = newText;
}
