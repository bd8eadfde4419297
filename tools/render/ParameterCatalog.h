#pragma once

#include <optional>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <string>
#include <vector>

namespace tonewell::render {

// What the controller tells a host about one parameter, in plain units.
struct ParameterDescription {
    Steinberg::Vst::ParamID id = 0;
    std::string title;
    std::string units;
    double minimum = 0.0;
    double maximum = 1.0;
    double defaultNormalized = 0.0;
    int stepCount = 0; // 0: continuous
    // One text per step for enumerated parameters ("Sine", "Triangle", ...);
    // empty for numeric ones.
    std::vector<std::string> valueTexts;

    bool IsEnumerated() const { return !valueTexts.empty(); }
};

// The plug-in's automatable parameters as published by its edit controller,
// with lookup by name and conversion of command-line values.
class ParameterCatalog {
public:
    explicit ParameterCatalog(Steinberg::Vst::IEditController& controller);

    const std::vector<ParameterDescription>& Parameters() const { return parameters_; }
    // The parameter that selects programs, when the plug-in publishes one.
    std::optional<Steinberg::Vst::ParamID> ProgramChangeId() const { return programChangeId_; }

    // Exact title, ignoring case. Throws RenderError for an unknown name.
    const ParameterDescription& Find(const std::string& name) const;
    // Normalised value for a plain number or a value text. Throws RenderError
    // when the text is not a number, out of range, or not one of the texts.
    double ToNormalized(const ParameterDescription& parameter, const std::string& value) const;

    // Plain value for a plain number (optionally with the unit) or a value
    // text; a number out of range is clamped and `clamped` set. Throws
    // RenderError with a message that names no context.
    double PlainValue(const ParameterDescription& parameter, const std::string& value,
                      bool& clamped) const;
    double PlainToNormalized(const ParameterDescription& parameter, double plain) const;
    double NormalizedToPlain(const ParameterDescription& parameter, double normalized) const;
    double CurrentNormalized(const ParameterDescription& parameter) const;
    // "Name=value" for a plain value, as --print-session shows it.
    std::string PlainText(const ParameterDescription& parameter, double plain) const;

    std::string DisplayText(const ParameterDescription& parameter, double normalized) const;
    // Display text of the value the controller holds now.
    std::string CurrentText(const ParameterDescription& parameter) const;
    // One line per parameter: id, title, range or texts, default, unit.
    std::string Listing() const;

private:
    std::vector<std::string> ReadValueTexts(Steinberg::Vst::ParamID id, int stepCount) const;

    Steinberg::Vst::IEditController& controller_;
    std::vector<ParameterDescription> parameters_;
    std::optional<Steinberg::Vst::ParamID> programChangeId_;
};

} // namespace tonewell::render
