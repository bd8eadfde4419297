#include "PluginSession.h"

#include <cmath>

#include "RenderError.h"

using namespace Steinberg;

namespace tonewell::render {

PluginSession::PluginSession(const std::string& modulePath, const std::string& hostName)
    : host_(hostkit::HostApplication::Create(hostName)) {
    std::string error;
    module_ = hostkit::PluginModule::Load(modulePath, error);
    if (!module_) throw RenderError(error);
    instance_ = hostkit::PluginInstance::CreateByName(*module_, "Tonewell", *host_, error);
    if (!instance_) throw RenderError(modulePath + ": " + error);
    if (instance_->Controller() == nullptr)
        throw RenderError(modulePath + ": the plug-in has no edit controller");
    parameters_.emplace(*instance_->Controller());
    if (instance_->UnitInfo() != nullptr) programs_ = ProgramCatalog(*instance_->UnitInfo());
}

std::unique_ptr<hostkit::PluginInstance> PluginSession::NewInstance() {
    std::string error;
    auto instance = hostkit::PluginInstance::CreateByName(*module_, "Tonewell", *host_, error);
    if (!instance) throw RenderError(error);
    return instance;
}

const std::vector<double>& PluginSession::ProgramValues(int index) {
    const auto known = programValues_.find(index);
    if (known != programValues_.end()) return known->second;
    const auto programChange = parameters_->ProgramChangeId();
    if (!programChange) throw RenderError("the plug-in offers no program change");

    std::string error;
    const auto probe = hostkit::PluginInstance::CreateByName(*module_, "Tonewell", *host_, error);
    if (!probe || probe->Controller() == nullptr) throw RenderError(error);
    hostkit::ProcessConfig config;
    config.sampleRate = 48000;
    config.maxSamplesPerBlock = 1;
    config.sampleSize = Vst::kSample64;
    config.processMode = Vst::kOffline;
    if (!probe->Start(config, error)) throw RenderError(error);
    probe->ParameterChanges().Add(*programChange, programs_.NormalizedValue(index));
    double left = 0.0;
    double right = 0.0;
    double* outputs[2] = {&left, &right};
    const bool processed = probe->Process(1, nullptr, outputs) == kResultOk;
    std::vector<double> values;
    for (const auto& parameter : parameters_->Parameters())
        values.push_back(probe->Controller()->getParamNormalized(parameter.id));
    probe->Stop();
    if (!processed)
        throw RenderError("the plug-in failed to load program " + std::to_string(index));
    return programValues_[index] = std::move(values);
}

std::vector<double> PluginSession::StartingValues(const StartingChanges& changes) {
    const ParameterCatalog& catalog = Parameters();
    const auto& parameters = catalog.Parameters();
    std::vector<double> values;
    for (const auto& parameter : parameters)
        values.push_back(catalog.CurrentNormalized(parameter));
    for (const auto& change : changes.Changes()) {
        if (change.id == catalog.ProgramChangeId()) {
            const auto last = static_cast<double>(Programs().Names().size() - 1);
            values = ProgramValues(static_cast<int>(std::lround(change.normalized * last)));
            continue;
        }
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            if (parameters[i].id == change.id) values[i] = change.normalized;
        }
    }
    return values;
}

} // namespace tonewell::render
