#include "ICoreParameter.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "TextConversion.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

ICoreParameter::ICoreParameter(IEngineParam& param, ParamID id, UnitID unit) : engineParam(param) {
    info.id = id;
    Utf8ToUtf16(param.DisplayName(), info.title, 128);
    Utf8ToUtf16(param.DisplayName(), info.shortTitle, 128);
    Utf8ToUtf16(param.UnitLabel(), info.units, 128);
    info.stepCount = param.GetKind() == IEngineParam::KindDouble
                         ? 0
                         : static_cast<int32>(param.Max() - param.Min());
    info.defaultNormalizedValue = std::pow(
        (param.Default() - param.Min()) / (param.Max() - param.Min()), 1.0 / param.Curve());
    info.unitId = unit;
    info.flags = param.Automatable() ? ParameterInfo::kCanAutomate : 0;
    valueNormalized = info.defaultNormalizedValue;
    precision = param.Decimals();
}

void ICoreParameter::toString(ParamValue value, String128 string) const {
    char text[IEngineParam::kFormatSize];
    engineParam.FormatValue(value, true, text, sizeof text);
    Utf8ToUtf16(text, string, 128);
}

// Reads back what toString shows: one of the parameter's value texts, else
// the leading decimal number in plain units (shown negated for a negated
// parameter); no number reads as 0. Always succeeds, clamping into the range.
bool ICoreParameter::fromString(const TChar* string, ParamValue& value) const {
    const std::string text = Utf16ToUtf8(string, 128);
    int textValue = 0;
    if (engineParam.FindValueText(text.c_str(), &textValue)) {
        value = engineParam.ToNormalized(textValue);
        return true;
    }
    double plain = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(plain)) plain = std::isnan(plain) ? 0.0 : plain;
    value = engineParam.ToNormalized(engineParam.Negated() ? -plain : plain);
    return true;
}

ParamValue ICoreParameter::toPlain(ParamValue value) const {
    return engineParam.FromNormalized(value);
}

ParamValue ICoreParameter::toNormalized(ParamValue plain) const {
    return engineParam.ToNormalized(plain);
}
