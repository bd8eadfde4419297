#pragma once

#include <atomic>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/vst/ivsthostapplication.h>
#include <string>

namespace tonewell::hostkit {

// The context handed to the plug-in's initialize: a host name and factories
// for the host's message and attribute-list objects.
class HostApplication : public Steinberg::Vst::IHostApplication {
public:
    static Steinberg::IPtr<HostApplication> Create(const std::string& name);

    const std::string& Name() const { return name_; }

    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                 void** obj) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    explicit HostApplication(std::string name) : name_(std::move(name)) {}
    virtual ~HostApplication() = default;

    std::string name_;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::hostkit
