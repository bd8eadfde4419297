// The simplest VST 3 module, built the same way as the instrument's: the
// entry points and a factory without classes. Loading and unloading it shows
// what the system's loader itself keeps from one cycle to the next.
#include <pluginterfaces/base/ipluginbase.h>

#if defined(_WIN32)
#define MINIMAL_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define MINIMAL_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace Steinberg;

namespace {

class EmptyFactory : public IPluginFactory {
public:
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override {
        if (!info) return kInvalidArgument;
        *info = PFactoryInfo("Minimal", "", "", PFactoryInfo::kNoFlags);
        return kResultOk;
    }
    int32 PLUGIN_API countClasses() override { return 0; }
    tresult PLUGIN_API getClassInfo(int32, PClassInfo*) override { return kResultFalse; }
    tresult PLUGIN_API createInstance(FIDString, FIDString, void** obj) override {
        if (obj) *obj = nullptr;
        return kNotImplemented;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

EmptyFactory factory;

} // namespace

MINIMAL_MODULE_EXPORT IPluginFactory* PLUGIN_API GetPluginFactory() {
    return &factory;
}
MINIMAL_MODULE_EXPORT bool ModuleEntry(void*) {
    return true;
}
MINIMAL_MODULE_EXPORT bool ModuleExit() {
    return true;
}
MINIMAL_MODULE_EXPORT bool InitDll() {
    return true;
}
MINIMAL_MODULE_EXPORT bool ExitDll() {
    return true;
}
