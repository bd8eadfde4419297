#include "ValueLabel.h"

#include "IControl.h"
#include "ICoreBase.h"
#include "IEngineParam.h"
#include "IGraphics.h"
#include "PixelMath.h"

const IEngineParam* BoundParam(const IControl& control) {
    if (!control.Plug() || !control.IsBound()) return nullptr;
    return control.Plug()->GetParam(control.ParamIndex());
}

std::string ValueText(const IEngineParam* param) {
    if (!param) return {};
    char text[IEngineParam::kFormatSize] = {};
    param->FormatValue(param->PlainValue(), false, text, sizeof text);
    return text;
}

std::string ValueLabelText(const IEngineParam* param) {
    std::string text = ValueText(param);
    if (!text.empty()) text += param->UnitLabel();
    return text;
}

void DrawValueLabel(IGraphics& graphics, ITextStyle& style, const std::string& text,
                    const IBounds& box) {
    if (text.empty() || style.size <= 0) return;
    style.align = ITextStyle::kCentre;
    const IBounds strip{box.left, SaturateInt(int64_t{box.bottom} - style.size), box.right,
                        box.bottom};
    graphics.DrawText(style, text.c_str(), strip);
}
