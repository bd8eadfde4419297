#include "CPluginFactory.h"

#include <cstring>

using namespace Steinberg;

CPluginFactory::CPluginFactory(const PFactoryInfo& info, DestroyedCallback onDestroyed)
    : factoryInfo(info), destroyed(onDestroyed) {}

CPluginFactory::~CPluginFactory() {
    if (destroyed) destroyed();
}

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context) {
    if (!create) return false;
    classes.push_back({info, create, context});
    return true;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginFactory)
    QUERY_INTERFACE(iid, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(iid, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(iid, obj, IPluginFactory3::iid, IPluginFactory3)
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() {
    return ++refCount;
}

uint32 PLUGIN_API CPluginFactory::release() {
    const uint32 left = --refCount;
    if (left == 0) delete this;
    return left;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info) return kInvalidArgument;
    *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return static_cast<int32>(classes.size());
}

const CPluginFactory::ClassEntry* CPluginFactory::Entry(int32 index) const {
    return index >= 0 && index < static_cast<int32>(classes.size())
               ? &classes[static_cast<size_t>(index)]
               : nullptr;
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const ClassEntry* entry = Entry(index);
    if (!info) return kInvalidArgument;
    if (!entry) return kInvalidArgument;
    *info = PClassInfo();
    std::memcpy(info->cid, entry->info.cid, sizeof(TUID));
    info->cardinality = entry->info.cardinality;
    std::memcpy(info->category, entry->info.category, sizeof info->category);
    std::memcpy(info->name, entry->info.name, sizeof info->name);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const ClassEntry* entry = Entry(index);
    if (!info || !entry) return kInvalidArgument;
    *info = entry->info;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const ClassEntry* entry = Entry(index);
    if (!info || !entry) return kInvalidArgument;
    info->fromAscii(entry->info);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return kInvalidArgument;
    for (const ClassEntry& entry : classes) {
        if (std::memcmp(entry.info.cid, cid, sizeof(TUID)) != 0) continue;
        FUnknown* instance = entry.create(entry.context);
        if (!instance) return kOutOfMemory;
        // The host asks for one interface; the object keeps only that reference.
        const tresult result = instance->queryInterface(iid, obj);
        instance->release();
        if (result != kResultOk) *obj = nullptr;
        return result;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown*) {
    return kNotImplemented;
}
