// The value texts the drawn controls print: a parameter's display text of
// its current value, with or without its unit label.
#pragma once

#include <string>

#include "IBounds.h"
#include "ITextStyle.h"

class IControl;
class IEngineParam;
class IGraphics;

// The parameter a control is bound to, or null.
const IEngineParam* BoundParam(const IControl& control);

// The display text of the parameter's current plain value; empty without a parameter.
std::string ValueText(const IEngineParam* param);

// The display text followed by the unit label; empty when the display text is.
std::string ValueLabelText(const IEngineParam* param);

// A value label, centred in the bottom strip of box that is one style size
// high. Nothing when the text is empty or the style size is 0 or less.
void DrawValueLabel(IGraphics& graphics, ITextStyle& style, const std::string& text,
                    const IBounds& box);
