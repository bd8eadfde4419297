#include "IEngineParam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "NumberRounding.h"

namespace {

void CopyText(char (&target)[IEngineParam::kTextSize], const char* source) {
    std::snprintf(target, sizeof target, "%s", source ? source : "");
}

} // namespace

void IEngineParam::DefineContinuous(const char* newName, double newDefault, double newMin,
                                    double newMax, double newStep, const char* newLabel) {
    if (kind == KindNone) kind = KindDouble;
    CopyText(name, newName);
    CopyText(label, newLabel);
    minValue = newMin;
    defaultValue = newDefault;
    value.store(newDefault, std::memory_order_relaxed);
    maxValue = std::max(newMax, newMin + newStep);
    step = newStep;

    // Enough decimals to show one step, at most six.
    decimals = 0;
    for (double s = newStep; s != std::floor(s) && decimals < kMaxDecimals; s *= 10.0)
        ++decimals;
}

void IEngineParam::DefineInteger(const char* newName, int newDefault, int newMin, int newMax,
                                 const char* newLabel) {
    if (kind == KindNone) kind = KindInteger;
    DefineContinuous(newName, newDefault, newMin, newMax, 1.0, newLabel);
}

void IEngineParam::DefineEnum(const char* newName, int newDefault, int count,
                              const char* newLabel) {
    if (kind == KindNone) kind = KindEnum;
    DefineContinuous(newName, newDefault, 0.0, count - 1.0, 1.0, newLabel);
}

void IEngineParam::SetCurve(double newCurve) {
    if (newCurve != 0.0) curve = newCurve;
}

void IEngineParam::SetValueText(int textValue, const char* text) {
    ValueTextEntry entry{textValue, {}};
    CopyText(entry.text, text);
    valueTexts.push_back(entry);
}

double IEngineParam::ToNormalized(double plain) const {
    // NaN (for example text read as "nan") maps like the default value.
    const double clamped = std::isnan(plain) ? defaultValue : std::clamp(plain, minValue, maxValue);
    return std::pow((clamped - minValue) / (maxValue - minValue), 1.0 / curve);
}

double IEngineParam::FromNormalized(double normalized) const {
    return minValue + std::pow(normalized, curve) * (maxValue - minValue);
}

void IEngineParam::SetFromNormalized(double normalized) {
    // A host may send anything: NaN is ignored and the rest kept inside 0..1,
    // so the value always stays within the range.
    if (std::isnan(normalized)) return;
    normalized = std::clamp(normalized, 0.0, 1.0);
    double plain = minValue + std::pow(normalized, curve) * (maxValue - minValue);
    if (kind != KindDouble) plain = std::floor(plain / step + 0.5) * step;
    value.store(std::min(plain, maxValue), std::memory_order_relaxed);
}

void IEngineParam::SetPlainValue(double plain) {
    value.store(std::isnan(plain) ? defaultValue : std::clamp(plain, minValue, maxValue),
                std::memory_order_relaxed);
}

const char* IEngineParam::ValueText(int intValue) const {
    for (const ValueTextEntry& entry : valueTexts)
        if (entry.value == intValue) return entry.text;
    return "";
}

bool IEngineParam::FindValueText(const char* text, int* outValue) const {
    if (!text) return false;
    for (const ValueTextEntry& entry : valueTexts) {
        if (std::strcmp(entry.text, text) == 0) {
            if (outValue) *outValue = entry.value;
            return true;
        }
    }
    return false;
}

void IEngineParam::FormatValue(double displayValue, bool normalized, char* outText,
                               size_t outSize) const {
    if (!outText || outSize == 0) return;
    if (normalized) displayValue = FromNormalized(displayValue);
    const int32_t rounded = RoundHalfAwayToInt(displayValue);

    if (!valueTexts.empty()) {
        const char* text = ValueText(rounded);
        if (text[0] != '\0') {
            std::snprintf(outText, outSize, "%s", text);
            return;
        }
    }
    if (displayValue == 0.0) {
        std::snprintf(outText, outSize, "0");
    } else if (decimals == 0) {
        const long long shown = negated ? -static_cast<long long>(rounded) : rounded;
        std::snprintf(outText, outSize, "%lld", shown);
    } else {
        std::snprintf(outText, outSize, "%.*f", decimals, negated ? -displayValue : displayValue);
    }
}
