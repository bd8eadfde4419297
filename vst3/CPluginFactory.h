#pragma once

#include <atomic>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

// The module's plug-in factory: the factory information, the registered
// classes with their create functions, and class enumeration for hosts of
// every factory version.
class CPluginFactory : public Steinberg::IPluginFactory3 {
public:
    using CreateFunction = Steinberg::FUnknown* (*)(void* context);
    using DestroyedCallback = void (*)();

    CPluginFactory(const Steinberg::PFactoryInfo& info, DestroyedCallback onDestroyed);
    virtual ~CPluginFactory();

    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    bool registerClass(const Steinberg::PClassInfo2& info, CreateFunction create,
                       void* context = nullptr);

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    // IPluginFactory
    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
    Steinberg::int32 PLUGIN_API countClasses() override;
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                               Steinberg::PClassInfo* info) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                                 void** obj) override;
    // IPluginFactory2
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                                Steinberg::PClassInfo2* info) override;
    // IPluginFactory3
    Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                      Steinberg::PClassInfoW* info) override;
    Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) override;

private:
    struct ClassEntry {
        Steinberg::PClassInfo2 info;
        CreateFunction create;
        void* context;
    };
    const ClassEntry* Entry(Steinberg::int32 index) const;

    Steinberg::PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
    std::atomic<Steinberg::uint32> refCount{1};
    DestroyedCallback destroyed;
};
