// The module's factory, built on the first GetPluginFactory call from what
// the plug-in describes of itself.
#include <cstring>
#include <mutex>

#include "CPluginFactory.h"
#include "PluginClassDescription.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/vsttypes.h"

using namespace Steinberg;

namespace {

CPluginFactory* factory = nullptr;

// Instances are created one at a time across the process.
std::mutex& CreationLock() {
    static std::mutex lock;
    return lock;
}

FUnknown* CreateInstance(void* context) {
    std::lock_guard<std::mutex> hold(CreationLock());
    return DescribePlugin().create(context);
}

void WriteLittleEndian(uint32_t value, char8* out) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char8>(value >> (8 * i));
}

void ClassIdOf(const PluginIdentity& plugin, TUID cid) {
    static constexpr unsigned char kFixed[8] = {0x0D, 0xE7, 0xAE, 0xF2, 0x4E, 0x4F, 0xDE, 0x00};
    std::memcpy(cid, kFixed, sizeof kFixed);
    WriteLittleEndian(plugin.makerId, cid + 8);
    WriteLittleEndian(plugin.uniqueId, cid + 12);
}

} // namespace

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    if (factory) {
        factory->addRef();
        return factory;
    }
    const PluginIdentity& plugin = DescribePlugin().identity;
    const PFactoryInfo info(plugin.vendor, plugin.url, plugin.email, PFactoryInfo::kUnicode);
    factory = new CPluginFactory(info, [] { factory = nullptr; });

    TUID cid;
    ClassIdOf(plugin, cid);
    // The class vendor stays empty: the factory's applies.
    const PClassInfo2 classInfo(cid, PClassInfo::kManyInstances, kVstAudioEffectClass, plugin.name,
                                Vst::kSimpleModeSupported, plugin.subCategories, "",
                                plugin.versionText, "VST 3.6.5");
    factory->registerClass(classInfo, CreateInstance);
    return factory;
}
