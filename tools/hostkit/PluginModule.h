#pragma once

#include <memory>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/base/smartpointer.h>
#include <string>

namespace tonewell::hostkit {

// A loaded VST 3 module binary: the library handle, its entry call and the
// factory. Destruction releases the factory, calls the exit function and
// unloads the library, in that order.
class PluginModule {
public:
    // Loads the binary at path (UTF-8; under Windows an absolute Unix path
    // is mapped to Wine's Z: drive). On failure returns null and sets error
    // to one line naming the problem.
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);

    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The factory obtained at load time; owned by the module object.
    Steinberg::IPluginFactory* Factory() const { return factory_.get(); }

    // Calls the exported GetPluginFactory once more and returns its result,
    // which carries a reference of its own.
    Steinberg::IPtr<Steinberg::IPluginFactory> RequestFactory() const;

    const std::string& Path() const { return path_; }

private:
    using GetFactoryFunction = Steinberg::IPluginFactory*(PLUGIN_API*)();

    PluginModule() = default;
    // After the entry call: takes the factory GetPluginFactory hands over.
    bool AdoptFactory(std::string& error);

    std::string path_;
    void* handle_ = nullptr;
    GetFactoryFunction getFactory_ = nullptr;
    bool entered_ = false;
    Steinberg::IPtr<Steinberg::IPluginFactory> factory_;
};

} // namespace tonewell::hostkit
