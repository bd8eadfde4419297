#pragma once

#include <HostApplication.h>
#include <PluginInstance.h>
#include <PluginModule.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ParameterCatalog.h"
#include "ProgramCatalog.h"
#include "StartingChanges.h"

namespace tonewell::render {

// The Tonewell module loaded from disk and one initialised instance of it,
// with the parameters and programs its controller publishes. Members are
// declared so that the instance goes before the module that holds its code.
class PluginSession {
public:
    // Throws RenderError when the module is missing, cannot be loaded, or has
    // no Tonewell class that initialises. `hostName` is what the plug-in is told
    // its host is called.
    explicit PluginSession(const std::string& modulePath,
                           const std::string& hostName = "tonewell-render");

    hostkit::PluginInstance& Instance() { return *instance_; }
    const ParameterCatalog& Parameters() const { return *parameters_; }
    const ProgramCatalog& Programs() const { return programs_; }
    // Normalised values, in the order of Parameters(), that program `index`
    // gives. Read from a second instance that loads the program, so the
    // rendering instance stays untouched. Throws RenderError on failure.
    const std::vector<double>& ProgramValues(int index);
    // A further initialised instance of the same module, for hosts that play
    // several voices. Throws RenderError.
    std::unique_ptr<hostkit::PluginInstance> NewInstance();
    // The normalised values playing starts with: the fresh instance's, then
    // the changes' program and settings, in the order they are sent.
    std::vector<double> StartingValues(const StartingChanges& changes);

private:
    Steinberg::IPtr<hostkit::HostApplication> host_;
    std::unique_ptr<hostkit::PluginModule> module_;
    std::unique_ptr<hostkit::PluginInstance> instance_;
    std::optional<ParameterCatalog> parameters_;
    ProgramCatalog programs_;
    std::map<int, std::vector<double>> programValues_;
};

} // namespace tonewell::render
