#include "ParameterCatalog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "RenderError.h"
#include "TextParsing.h"
#include "Utf16.h"

namespace tonewell::render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Enumerations have a handful of entries; asking for texts of a parameter
// with thousands of steps would only produce numbers.
constexpr int kMaxEnumeratedSteps = 64;

std::string JoinAlternatives(const std::vector<std::string>& texts) {
    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) joined += i + 1 == texts.size() ? " or " : ", ";
        joined += texts[i];
    }
    return joined;
}

std::string WithUnits(const std::string& number, const std::string& units) {
    return units.empty() ? number : number + " " + units;
}

// The step of the display text `value` names (any case), as a normalised
// value; none when it names no text.
std::optional<double> TextStep(const ParameterDescription& parameter, const std::string& value) {
    for (std::size_t step = 0; step < parameter.valueTexts.size(); ++step) {
        if (EqualsIgnoringCase(parameter.valueTexts[step], value))
            return static_cast<double>(step) / parameter.stepCount;
    }
    return std::nullopt;
}

// A plain number, optionally followed by the parameter's unit ("200 Hz").
std::optional<double> PlainNumber(const ParameterDescription& parameter, std::string_view value) {
    if (!parameter.units.empty() && value.size() > parameter.units.size() &&
        EqualsIgnoringCase(value.substr(value.size() - parameter.units.size()), parameter.units))
        value.remove_suffix(parameter.units.size());
    return ParseNumber(value);
}

} // namespace

ParameterCatalog::ParameterCatalog(IEditController& controller) : controller_(controller) {
    const int32 count = controller_.getParameterCount();
    for (int32 index = 0; index < count; ++index) {
        ParameterInfo info{};
        if (controller_.getParameterInfo(index, info) != kResultOk) continue;
        if ((info.flags & ParameterInfo::kIsProgramChange) != 0) {
            programChangeId_ = info.id;
            continue;
        }
        if ((info.flags & (ParameterInfo::kIsBypass | ParameterInfo::kIsHidden)) != 0) continue;
        ParameterDescription parameter;
        parameter.id = info.id;
        parameter.title = hostkit::ToUtf8(info.title, 128);
        parameter.units = hostkit::ToUtf8(info.units, 128);
        parameter.minimum = controller_.normalizedParamToPlain(info.id, 0.0);
        parameter.maximum = controller_.normalizedParamToPlain(info.id, 1.0);
        parameter.defaultNormalized = info.defaultNormalizedValue;
        parameter.stepCount = std::max(0, static_cast<int>(info.stepCount));
        parameter.valueTexts = ReadValueTexts(info.id, parameter.stepCount);
        parameters_.push_back(std::move(parameter));
    }
}

std::vector<std::string> ParameterCatalog::ReadValueTexts(ParamID id, int stepCount) const {
    std::vector<std::string> texts;
    if (stepCount < 1 || stepCount > kMaxEnumeratedSteps) return texts;
    bool anyWord = false;
    for (int step = 0; step <= stepCount; ++step) {
        String128 text{};
        if (controller_.getParamStringByValue(id, static_cast<double>(step) / stepCount, text) !=
            kResultOk)
            return {};
        texts.push_back(hostkit::ToUtf8(text, 128));
        anyWord = anyWord || !ParseNumber(texts.back());
    }
    // A stepped parameter whose texts are all numbers is numeric, not an enumeration.
    return anyWord ? texts : std::vector<std::string>{};
}

const ParameterDescription& ParameterCatalog::Find(const std::string& name) const {
    const auto found = std::find_if(parameters_.begin(), parameters_.end(), [&](const auto& p) {
        return EqualsIgnoringCase(p.title, name);
    });
    if (found == parameters_.end())
        throw RenderError("unknown parameter \"" + name + "\" (--list-params shows the names)");
    return *found;
}

double ParameterCatalog::ToNormalized(const ParameterDescription& parameter,
                                      const std::string& value) const {
    const std::string context = "--set \"" + parameter.title + "=" + value + "\": ";
    if (const auto step = TextStep(parameter, value)) return *step;
    const auto plain = PlainNumber(parameter, value);
    if (!plain) {
        if (parameter.IsEnumerated())
            throw RenderError(context + parameter.title + " takes " +
                              JoinAlternatives(parameter.valueTexts));
        throw RenderError(context + "not a number");
    }
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(parameter.maximum));
    if (*plain < parameter.minimum - tolerance || *plain > parameter.maximum + tolerance)
        throw RenderError(context + "out of range; " + parameter.title + " goes from " +
                          WithUnits(FormatNumber(parameter.minimum), "") + " to " +
                          WithUnits(FormatNumber(parameter.maximum), parameter.units));
    if (parameter.stepCount > 0) {
        const double steps = (*plain - parameter.minimum) * parameter.stepCount /
                             (parameter.maximum - parameter.minimum);
        if (std::fabs(steps - std::round(steps)) > 1e-6)
            throw RenderError(context + parameter.title + " takes whole numbers only");
    }
    return std::clamp(controller_.plainParamToNormalized(parameter.id, *plain), 0.0, 1.0);
}

double ParameterCatalog::PlainValue(const ParameterDescription& parameter, const std::string& value,
                                    bool& clamped) const {
    clamped = false;
    if (const auto step = TextStep(parameter, value)) return NormalizedToPlain(parameter, *step);
    const auto plain = PlainNumber(parameter, value);
    if (!plain) {
        if (parameter.IsEnumerated())
            throw RenderError(parameter.title + " takes " + JoinAlternatives(parameter.valueTexts));
        throw RenderError("\"" + value + "\" is not a number");
    }
    const double limited = std::clamp(*plain, parameter.minimum, parameter.maximum);
    if (parameter.stepCount > 0 && limited != std::round(limited))
        throw RenderError(parameter.title + " takes whole numbers only");
    clamped = limited != *plain;
    return limited;
}

double ParameterCatalog::PlainToNormalized(const ParameterDescription& parameter,
                                           double plain) const {
    return std::clamp(controller_.plainParamToNormalized(parameter.id, plain), 0.0, 1.0);
}

double ParameterCatalog::NormalizedToPlain(const ParameterDescription& parameter,
                                           double normalized) const {
    return controller_.normalizedParamToPlain(parameter.id, normalized);
}

double ParameterCatalog::CurrentNormalized(const ParameterDescription& parameter) const {
    return controller_.getParamNormalized(parameter.id);
}

std::string ParameterCatalog::PlainText(const ParameterDescription& parameter, double plain) const {
    return parameter.title + "=" + DisplayText(parameter, PlainToNormalized(parameter, plain));
}

std::string ParameterCatalog::DisplayText(const ParameterDescription& parameter,
                                          double normalized) const {
    if (parameter.IsEnumerated()) {
        const auto step = static_cast<std::size_t>(std::lround(normalized * parameter.stepCount));
        return parameter.valueTexts[std::min(step, parameter.valueTexts.size() - 1)];
    }
    return WithUnits(FormatNumber(controller_.normalizedParamToPlain(parameter.id, normalized)),
                     parameter.units);
}

std::string ParameterCatalog::CurrentText(const ParameterDescription& parameter) const {
    return DisplayText(parameter, controller_.getParamNormalized(parameter.id));
}

std::string ParameterCatalog::Listing() const {
    std::size_t titleWidth = 4;
    for (const auto& parameter : parameters_)
        titleWidth = std::max(titleWidth, parameter.title.size());

    std::string listing;
    for (const auto& parameter : parameters_) {
        std::string range;
        if (parameter.IsEnumerated()) {
            for (const auto& text : parameter.valueTexts)
                range += (range.empty() ? "" : " | ") + text;
        } else {
            range = FormatNumber(parameter.minimum) + " .. " +
                    WithUnits(FormatNumber(parameter.maximum), parameter.units);
            if (parameter.stepCount > 0) range += " (whole numbers)";
        }
        char line[512];
        std::snprintf(line, sizeof line, "%3u  %-*s  %-40s  default %s\n",
                      static_cast<unsigned>(parameter.id), static_cast<int>(titleWidth),
                      parameter.title.c_str(), range.c_str(),
                      DisplayText(parameter, parameter.defaultNormalized).c_str());
        listing += line;
        // The level scale of the instrument's volume is not obvious from its range.
        if (parameter.title == "Volume" && parameter.units == "%") {
            listing.pop_back();
            listing += "  (level: 0 is about -64 dBFS, not silence; 100 is 0 dBFS; "
                       "about 0.64 dB a step)\n";
        }
    }
    return listing;
}

} // namespace tonewell::render
