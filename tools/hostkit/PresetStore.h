#pragma once

#include <cstdint>
#include <pluginterfaces/base/funknown.h>
#include <string>
#include <vector>

#include "PluginInstance.h"

namespace tonewell::hostkit {

// VST 3 preset files (.vstpreset) of one instance's component state, written
// and read with the SDK's preset file code. Reading checks the whole layout
// first, so a damaged or foreign file is refused before the plug-in sees any
// of it and its state stays as it was.
class PresetStore {
public:
    // The preset of the instance's current component state.
    static bool Save(PluginInstance& plugin, std::vector<std::uint8_t>& bytes, std::string& error);
    // Restores the component state held by a preset of the instance's class.
    // On failure error names what is wrong with the file.
    static bool Load(PluginInstance& plugin, const std::vector<std::uint8_t>& bytes,
                     std::string& error);
    // Only the checks of Load.
    static bool Check(const std::vector<std::uint8_t>& bytes, const Steinberg::TUID classId,
                      std::string& error);

    // The class id as the SDK writes it in text (preset headers, module info).
    static std::string ClassIdText(const Steinberg::TUID classId);
};

} // namespace tonewell::hostkit
