#include "PluginSession.h"

#include "RenderError.h"

namespace tonewell::render {

PluginSession::PluginSession(const std::string& modulePath)
    : host_(hostkit::HostApplication::Create("tonewell-render")) {
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

} // namespace tonewell::render
