#include "PluginModule.h"

namespace tonewell::hostkit {

bool PluginModule::AdoptFactory(std::string& error) {
    Steinberg::IPluginFactory* factory = getFactory_ ? getFactory_() : nullptr;
    if (!factory) {
        error = "GetPluginFactory returned no factory: " + path_;
        return false;
    }
    // GetPluginFactory hands over one reference; adopt it.
    factory_ = Steinberg::owned(factory);
    return true;
}

Steinberg::IPtr<Steinberg::IPluginFactory> PluginModule::RequestFactory() const {
    return Steinberg::owned(getFactory_ ? getFactory_() : nullptr);
}

} // namespace tonewell::hostkit
