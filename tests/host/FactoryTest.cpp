#include <cstring>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstmessage.h>
#include <pluginterfaces/vst/ivstunits.h>

#include "HostTestSupport.h"
#include "Utf16.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

const unsigned char kClassId[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0x4E, 0x4F, 0xDE, 0x00,
                                    'b',  'v',  'x',  'Q',  'q',  'l',  'w',  'T'};

IPtr<FUnknown> CreateObject(IPluginFactory* factory, const TUID iid) {
    void* object = nullptr;
    TUID cid;
    std::memcpy(cid, kClassId, sizeof cid);
    if (factory->createInstance(cid, iid, &object) != kResultOk || !object) return nullptr;
    // Every interface derives from FUnknown at offset zero.
    return owned(static_cast<FUnknown*>(object));
}

} // namespace

TEST(Factory, DescribesTheVendorAndItsOneClass) {
    PluginModule* module = Module();
    ASSERT_NE(module, nullptr);
    IPluginFactory* factory = module->Factory();
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Kestrin");
    EXPECT_STREQ(info.email, "");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);

    ASSERT_EQ(factory->countClasses(), 1);
    PClassInfo classInfo{};
    ASSERT_EQ(factory->getClassInfo(0, &classInfo), kResultOk);
    EXPECT_EQ(std::memcmp(classInfo.cid, kClassId, 16), 0);
    EXPECT_EQ(classInfo.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(classInfo.category, "Audio Module Class");
    EXPECT_STREQ(classInfo.name, "Tonewell");
    EXPECT_NE(factory->getClassInfo(1, &classInfo), kResultOk);
    EXPECT_NE(factory->getClassInfo(-1, &classInfo), kResultOk);

    auto factory2 = FUnknownPtr<IPluginFactory2>(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 info2{};
    ASSERT_EQ(factory2->getClassInfo2(0, &info2), kResultOk);
    EXPECT_EQ(info2.classFlags, 2u);
    EXPECT_STREQ(info2.subCategories, "Instrument");
    EXPECT_STREQ(info2.version, "2.3.0");
    // An empty class vendor means the factory's vendor.
    EXPECT_TRUE(std::strcmp(info2.vendor, "") == 0 || std::strcmp(info2.vendor, "Kestrin") == 0)
        << info2.vendor;
    EXPECT_EQ(std::strncmp(info2.sdkVersion, "VST 3", 5), 0) << info2.sdkVersion;

    auto factory3 = FUnknownPtr<IPluginFactory3>(factory);
    if (factory3) {
        PClassInfoW infoW{};
        ASSERT_EQ(factory3->getClassInfoUnicode(0, &infoW), kResultOk);
        EXPECT_EQ(tonewell::hostkit::ToUtf8(infoW.name, PClassInfo::kNameSize), "Tonewell");
    }
}

TEST(Factory, RepeatedGetPluginFactoryGivesTheSameObject) {
    PluginModule* module = Module();
    ASSERT_NE(module, nullptr);
    IPtr<IPluginFactory> again = module->RequestFactory();
    EXPECT_EQ(again.get(), module->Factory());
    // One more reference per call: adding one and releasing it reveals the count.
    uint32 withTwo = module->Factory()->addRef();
    module->Factory()->release();
    again = nullptr;
    uint32 withOne = module->Factory()->addRef();
    module->Factory()->release();
    EXPECT_EQ(withTwo, withOne + 1);
}

TEST(Factory, CreatesInstancesOnlyOfItsClass) {
    PluginModule* module = Module();
    ASSERT_NE(module, nullptr);
    IPluginFactory* factory = module->Factory();
    EXPECT_TRUE(CreateObject(factory, Vst::IAudioProcessor::iid));
    EXPECT_TRUE(CreateObject(factory, Vst::IComponent::iid));

    TUID unknownCid = {};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_NE(factory->createInstance(unknownCid, Vst::IComponent::iid, &object), kResultOk);
    EXPECT_EQ(object, nullptr);
}

TEST(Factory, OneObjectAnswersForEveryInterface) {
    PluginModule* module = Module();
    ASSERT_NE(module, nullptr);
    IPtr<FUnknown> object = CreateObject(module->Factory(), Vst::IAudioProcessor::iid);
    ASSERT_TRUE(object);
    void* identity = nullptr;
    ASSERT_EQ(object->queryInterface(FUnknown::iid, &identity), kResultOk);
    const FUID* iids[] = {&Vst::IComponent::iid,      &Vst::IAudioProcessor::iid,
                          &Vst::IEditController::iid, &Vst::IEditController2::iid,
                          &Vst::IUnitInfo::iid,       &Vst::IConnectionPoint::iid,
                          &IPluginBase::iid,          &FUnknown::iid};
    for (const FUID* iid : iids) {
        void* raw = nullptr;
        ASSERT_EQ(object->queryInterface(*iid, &raw), kResultOk);
        ASSERT_NE(raw, nullptr);
        auto* unknown = static_cast<FUnknown*>(raw);
        void* sameIdentity = nullptr;
        EXPECT_EQ(unknown->queryInterface(FUnknown::iid, &sameIdentity), kResultOk);
        EXPECT_EQ(sameIdentity, identity);
        static_cast<FUnknown*>(sameIdentity)->release();
        unknown->release();
    }
    static_cast<FUnknown*>(identity)->release();

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->queryInterface(IPluginFactory::iid, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
}

TEST(Factory, InitialisesWithAHostNameOrNone) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->Component()->getBusCount(Vst::kAudio, Vst::kOutput), 1);

    PluginModule* module = Module();
    IPtr<FUnknown> object = CreateObject(module->Factory(), Vst::IComponent::iid);
    ASSERT_TRUE(object);
    FUnknownPtr<IPluginBase> base(object);
    ASSERT_TRUE(base);
    EXPECT_EQ(base->initialize(nullptr), kResultOk);
    EXPECT_EQ(base->terminate(), kResultOk);
}
