#pragma once

#include <pluginterfaces/vst/ivstunits.h>
#include <string>
#include <vector>

namespace tonewell::render {

// The plug-in's factory program list, read through IUnitInfo.
class ProgramCatalog {
public:
    // An empty catalog, for plug-ins without IUnitInfo or program lists.
    ProgramCatalog() = default;
    explicit ProgramCatalog(Steinberg::Vst::IUnitInfo& units);

    const std::vector<std::string>& Names() const { return names_; }
    // Index for a program number ("83"), an exact program name, or a part of
    // one name ignoring case ("schumann"). Throws RenderError when nothing
    // matches, listing the matches when a part fits several.
    int Resolve(const std::string& numberOrName) const;
    // The program-change parameter's normalised value that selects `index`.
    double NormalizedValue(int index) const;
    // One line per program: number and name.
    std::string Listing() const;

private:
    std::vector<std::string> names_;
};

} // namespace tonewell::render
