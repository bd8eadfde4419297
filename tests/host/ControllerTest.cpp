#include <cmath>
#include <limits>
#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstunits.h>
#include <utility>
#include <vector>

#include "HostTestSupport.h"
#include "Utf16.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

struct ExpectedParameter {
    const char* title;
    const char* units;
    int32 stepCount;
    double defaultNormalized;
};

const ExpectedParameter kParameters[kParameterCount] = {
    {"Frequency", "Hz", 0, std::sqrt(199.0 / 19999.0)},
    {"Binaural", "Hz", 0, 4.0 / 512.0},
    {"Tuning Freq", "Hz", 0, std::sqrt(439.0 / 19999.0)},
    {"Wave", "", 3, 0.0},
    {"Beats", "", 1, 0.0},
    {"Pan Reverse", "", 1, 0.0},
    {"Attack", "ms", 8000, 0.1},
    {"Release", "ms", 8000, 0.0625},
    {"Fade", "ms", 89999, 999.0 / 89999.0},
    {"Volume", "%", 100, 0.9},
    {"Mode", "", 1, 1.0},
    {"Center Freq", "", 1, 0.0},
};

std::string Utf8(const Vst::String128 text) {
    return tonewell::hostkit::ToUtf8(text, 128);
}

} // namespace

TEST(Controller, PublishesTheTwelveParametersThenThePresetList) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    ASSERT_EQ(controller->getParameterCount(), kParameterCount + 1);

    Vst::ParameterInfo info{};
    for (int i = 0; i < kParameterCount; ++i) {
        SCOPED_TRACE(kParameters[i].title);
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<Vst::ParamID>(i));
        EXPECT_EQ(Utf8(info.title), kParameters[i].title);
        EXPECT_EQ(Utf8(info.units), kParameters[i].units);
        EXPECT_EQ(info.stepCount, kParameters[i].stepCount);
        EXPECT_NEAR(info.defaultNormalizedValue, kParameters[i].defaultNormalized, 1e-12);
        EXPECT_EQ(info.flags, Vst::ParameterInfo::kCanAutomate);
        EXPECT_EQ(info.unitId, Vst::kRootUnitId);
        EXPECT_NEAR(controller->getParamNormalized(static_cast<Vst::ParamID>(i)),
                    kParameters[i].defaultNormalized, 1e-12);
    }

    ASSERT_EQ(controller->getParameterInfo(kParameterCount, info), kResultOk);
    EXPECT_EQ(info.id, kPresetId);
    EXPECT_EQ(Utf8(info.title), "Presets");
    EXPECT_EQ(info.flags, Vst::ParameterInfo::kIsProgramChange | Vst::ParameterInfo::kIsList);
    EXPECT_EQ(info.stepCount, kPresetCount - 1);
    EXPECT_EQ(info.unitId, Vst::kRootUnitId);
}

// An exception must never leave the plug-in through a published interface.
TEST(Controller, RefusesParameterIndexesOutOfRange) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    Vst::ParameterInfo info{};
    for (int32 index : {kParameterCount + 1, 1000, -1}) {
        tresult result = kResultOk;
        EXPECT_NO_THROW(result = controller->getParameterInfo(index, info)) << index;
        EXPECT_NE(result, kResultOk) << index;
    }
}

TEST(Controller, FormatsAndParsesValues) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    EXPECT_EQ(ParamString(controller, Wave, 1.0), "Square");
    EXPECT_EQ(ParamString(controller, Wave, 0.4), "Sine half");
    EXPECT_EQ(ParamString(controller, Mode, 0.0), "Generator");
    EXPECT_EQ(ParamString(controller, Frequency, 1.0), "20000.0");
    EXPECT_EQ(ParamString(controller, Binaural, 0.0), "0");
    EXPECT_EQ(ParamString(controller, Binaural, 0.5), "256.00");
    EXPECT_EQ(ParamString(controller, Volume, 0.9), "90");
    for (Vst::ParamID id : {kBypassId, Vst::ParamID(12), Vst::ParamID(999)})
        EXPECT_EQ(ParamString(controller, id, 0.5), "<failed>") << id;

    Vst::ParamValue value = -1;
    const auto text = tonewell::hostkit::ToUtf16("abc");
    auto* abc = const_cast<Vst::TChar*>(reinterpret_cast<const Vst::TChar*>(text.c_str()));
    ASSERT_EQ(controller->getParamValueByString(Volume, abc, value), kResultOk);
    EXPECT_EQ(value, 0.0);
    ASSERT_EQ(controller->getParamValueByString(Frequency, abc, value), kResultOk);
    EXPECT_EQ(value, 0.0); // 0 Hz is clamped to the 1 Hz minimum
    const auto number = tonewell::hostkit::ToUtf16("440");
    auto* hz440 = const_cast<Vst::TChar*>(reinterpret_cast<const Vst::TChar*>(number.c_str()));
    ASSERT_EQ(controller->getParamValueByString(Frequency, hz440, value), kResultOk);
    EXPECT_NEAR(value, std::sqrt(439.0 / 19999.0), 1e-12);
    EXPECT_NE(controller->getParamValueByString(999, hz440, value), kResultOk);
}

// Hosts show these texts and type them back: every parameter's text, the
// program list's included, must read back as the value it shows.
TEST(Controller, EveryParameterTextReadsBackAsItsValue) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    std::vector<Vst::ParamID> ids{kPresetId};
    for (int i = 0; i < kParameterCount; ++i)
        ids.push_back(static_cast<Vst::ParamID>(i));
    for (Vst::ParamID id : ids) {
        for (double value : {0.0, 0.3, 0.5, 1.0}) {
            const std::string shown = ParamString(controller, id, value);
            SCOPED_TRACE(std::to_string(id) + " at " + std::to_string(value) + ": " + shown);
            auto text = tonewell::hostkit::ToUtf16(shown);
            Vst::ParamValue read = -1;
            ASSERT_EQ(controller->getParamValueByString(
                          id, reinterpret_cast<Vst::TChar*>(text.data()), read),
                      kResultOk);
            EXPECT_EQ(ParamString(controller, id, read), shown);
        }
    }
    Vst::String128 name{};
    ASSERT_EQ(plugin->UnitInfo()->getProgramName(kPresetId, 65, name), kResultOk);
    EXPECT_EQ(ParamString(controller, kPresetId, 0.5), Utf8(name));
    auto unknown = tonewell::hostkit::ToUtf16("no such program");
    Vst::ParamValue read = -1;
    EXPECT_NE(controller->getParamValueByString(
                  kPresetId, reinterpret_cast<Vst::TChar*>(unknown.data()), read),
              kResultOk);
}

TEST(Controller, ConvertsBetweenPlainAndNormalised) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    EXPECT_DOUBLE_EQ(controller->normalizedParamToPlain(Frequency, 0.5), 1.0 + 0.25 * 19999.0);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(Frequency, 1.0 + 0.25 * 19999.0), 0.5);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(Frequency, 1e9), 1.0);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(Volume, -10.0), 0.0);
    EXPECT_DOUBLE_EQ(controller->normalizedParamToPlain(Attack, 0.25), 2000.0);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(kPresetId, 65.0), 65.0 / 129.0);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(12345, 7.5), 7.5);
}

TEST(Controller, BypassAndProgramValues) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    std::vector<double> before = PlainValues(*plugin);

    EXPECT_EQ(controller->getParamNormalized(kBypassId), 0.0);
    EXPECT_EQ(controller->setParamNormalized(kBypassId, 1.0), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 1.0);
    EXPECT_EQ(controller->setParamNormalized(kBypassId, 0.0), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 0.0);

    // The last slot was never filled: selecting it moves no parameter.
    EXPECT_EQ(controller->getParamNormalized(kPresetId), 0.0);
    EXPECT_EQ(controller->setParamNormalized(kPresetId, 1.0), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kPresetId), 1.0);
    EXPECT_EQ(PlainValues(*plugin), before);
    EXPECT_EQ(controller->setParamNormalized(kPresetId, 0.5), kResultOk);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(kPresetId), 65.0 / 129.0);

    EXPECT_EQ(controller->setParamNormalized(Volume, 0.5), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(Volume), 0.5);
    EXPECT_EQ(controller->setParamNormalized(999, 0.5), kResultFalse);
    EXPECT_EQ(controller->getParamNormalized(999), 0.0);
}

TEST(Controller, OneRootUnitWithTheFactoryPresets) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IUnitInfo* units = plugin->UnitInfo();
    ASSERT_NE(units, nullptr);
    ASSERT_EQ(units->getUnitCount(), 1);
    Vst::UnitInfo unit{};
    ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, Vst::kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, Vst::kNoParentUnitId);
    EXPECT_EQ(Utf8(unit.name), "Root Unit");
    EXPECT_EQ(unit.programListId, static_cast<Vst::ProgramListID>(kPresetId));
    EXPECT_EQ(units->getUnitInfo(1, unit), kResultFalse);
    EXPECT_EQ(units->getSelectedUnit(), Vst::kRootUnitId);

    ASSERT_EQ(units->getProgramListCount(), 1);
    Vst::ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, static_cast<Vst::ProgramListID>(kPresetId));
    EXPECT_EQ(Utf8(list.name), "Factory Presets");
    EXPECT_EQ(list.programCount, kPresetCount);
    EXPECT_EQ(units->getProgramListInfo(1, list), kResultFalse);

    Vst::String128 name{};
    ASSERT_EQ(units->getProgramName(kPresetId, 0, name), kResultOk);
    EXPECT_EQ(Utf8(name), "---- default ----");
    ASSERT_EQ(units->getProgramName(kPresetId, 83, name), kResultOk);
    EXPECT_EQ(Utf8(name), "Binaural - 7.83 (Schumann Resonance)");
    ASSERT_EQ(units->getProgramName(kPresetId, 124, name), kResultOk);
    EXPECT_EQ(Utf8(name), "Solfeggio - 174 Hz (Natural anaesthetic, reduce pain)");
    ASSERT_EQ(units->getProgramName(kPresetId, 125, name), kResultOk);
    EXPECT_EQ(Utf8(name), "- 126 -");
    name[0] = 'x';
    ASSERT_EQ(units->getProgramName(kPresetId, 130, name), kResultOk);
    EXPECT_EQ(Utf8(name), "");
    EXPECT_EQ(units->getProgramName(kPresetId, -1, name), kResultOk);
    EXPECT_EQ(units->getProgramName(1234, 0, name), kResultFalse);
}

TEST(Controller, StateCallsOfTheControllerCarryNothing) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    EXPECT_EQ(controller->setComponentState(nullptr), kNotImplemented);
    EXPECT_EQ(controller->setState(nullptr), kResultOk);
    EXPECT_EQ(controller->getState(nullptr), kResultOk);
}

TEST(View, OnlyTheLowerCaseEditorNameMakesAView) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    Vst::IEditController* controller = plugin->Controller();
    EXPECT_EQ(controller->createView("Editor"), nullptr);
    EXPECT_EQ(controller->createView("editor2"), nullptr);
    EXPECT_EQ(controller->createView(nullptr), nullptr);

    IPtr<IPlugView> first = owned(controller->createView("editor"));
    IPtr<IPlugView> second = owned(controller->createView(Vst::ViewType::kEditor));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    // The editor's window type is the platform's own; other types are refused.
#ifdef _WIN32
    const tresult hwndSupported = kResultTrue, x11Supported = kResultFalse;
#else
    const tresult hwndSupported = kResultFalse, x11Supported = kResultTrue;
#endif
    EXPECT_EQ(first->isPlatformTypeSupported(kPlatformTypeHWND), hwndSupported);
    EXPECT_EQ(first->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), x11Supported);
    EXPECT_EQ(first->isPlatformTypeSupported("hwnd"), kResultFalse);
    EXPECT_EQ(first->isPlatformTypeSupported(nullptr), kResultFalse);
    // The size is known before the view is attached.
    ViewRect rect{};
    EXPECT_EQ(first->getSize(&rect), kResultOk);
    EXPECT_EQ(rect.getWidth(), 368);
    EXPECT_EQ(rect.getHeight(), 370);
    EXPECT_EQ(first->getSize(nullptr), kResultFalse);
    // A type the editor does not open in is accepted and opens nothing.
    EXPECT_EQ(first->attached(nullptr, "NoSuchPlatform"), kResultOk);
    // The X11 window needs the host's run loop, which comes with a plug
    // frame: without one nothing opens.
    EXPECT_EQ(first->attached(nullptr, kPlatformTypeX11EmbedWindowID),
              x11Supported == kResultTrue ? kResultFalse : kResultOk);
    EXPECT_EQ(first->canResize(), kResultFalse);
    EXPECT_EQ(first->onSize(nullptr), kResultOk);
    EXPECT_EQ(first->removed(), kResultOk);
    // Removing twice, and destroying the first view, leave the second usable.
    EXPECT_EQ(first->removed(), kResultOk);
    first = nullptr;
    EXPECT_EQ(second->getSize(&rect), kResultOk);
    EXPECT_EQ(second->removed(), kResultOk);
}

TEST(View, AViewKeepsThePluginAlive) {
    IPtr<IPlugView> view;
    {
        auto plugin = NewInstance();
        ASSERT_NE(plugin, nullptr);
        view = owned(plugin->Controller()->createView("editor"));
        ASSERT_TRUE(view);
    }
    ViewRect rect{};
    EXPECT_EQ(view->getSize(&rect), kResultOk);
    view = nullptr;
}

namespace {

// A host's plug frame that grants every size through the view's onSize, and
// may set another factor from inside (as some hosts do while resizing).
class RecordingFrame : public IPlugFrame {
public:
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override {
        asked.push_back({newSize->getWidth(), newSize->getHeight()});
        if (factorFromInside > 0.0) scale->setContentScaleFactor(factorFromInside);
        return view->onSize(newSize);
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    std::vector<std::pair<int, int>> asked;
    IPlugViewContentScaleSupport* scale = nullptr;
    float factorFromInside = 0.0;
};

std::pair<int, int> SizeOf(IPlugView& view) {
    ViewRect rect{};
    EXPECT_EQ(view.getSize(&rect), kResultOk);
    return {rect.getWidth(), rect.getHeight()};
}

} // namespace

TEST(View, TheSizeFollowsTheHostsContentScale) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    IPtr<IPlugView> view = owned(plugin->Controller()->createView("editor"));
    ASSERT_TRUE(view);
    // Asking for the interface counts a reference, as for any other.
    void* raw = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, &raw), kResultOk);
    EXPECT_EQ(view->addRef(), 3u);
    view->release();
    EXPECT_EQ(static_cast<IPlugViewContentScaleSupport*>(raw)->release(), 1u);
    FUnknownPtr<IPlugViewContentScaleSupport> scale(view);
    ASSERT_TRUE(scale);
    using Size = std::pair<int, int>;

    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {0.0f, -2.0f, 0.5f, 4.01f, std::nanf(""), inf, -inf}) {
        EXPECT_EQ(scale->setContentScaleFactor(bad), kResultFalse) << bad;
        EXPECT_EQ(SizeOf(*view), Size(368, 370));
    }
    // Before attached: the host reads the size afterwards.
    RecordingFrame frame;
    frame.scale = scale;
    view->setFrame(&frame);
    EXPECT_EQ(scale->setContentScaleFactor(1.5f), kResultTrue);
    EXPECT_EQ(SizeOf(*view), Size(552, 555));
    EXPECT_TRUE(frame.asked.empty());

    // Attached: the host is asked once per new size, and its onSize accepted.
    ASSERT_EQ(view->attached(nullptr, "NoSuchPlatform"), kResultOk);
    EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_EQ(scale->setContentScaleFactor(9.0f), kResultFalse);
    EXPECT_EQ(SizeOf(*view), Size(736, 740));
    EXPECT_EQ(frame.asked, std::vector<Size>{Size(736, 740)});

    // A host that sets a factor from inside resizeView is asked for that
    // size when its call returns, and one that keeps doing so is not asked
    // without end.
    frame.asked.clear();
    frame.factorFromInside = 3.0f;
    EXPECT_EQ(scale->setContentScaleFactor(1.0f), kResultTrue);
    EXPECT_EQ(frame.asked, (std::vector<Size>{Size(368, 370), Size(1104, 1110)}));
    EXPECT_EQ(SizeOf(*view), Size(1104, 1110));
    frame.asked.clear();
    frame.factorFromInside = 1.0f;
    EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_GE(frame.asked.size(), 1u);
    EXPECT_LE(frame.asked.size(), 3u);

    // Removed: the size changes, nobody is asked.
    frame.factorFromInside = 0.0f;
    EXPECT_EQ(view->removed(), kResultOk);
    frame.asked.clear();
    EXPECT_EQ(scale->setContentScaleFactor(1.25f), kResultTrue);
    EXPECT_EQ(SizeOf(*view), Size(460, 463));
    EXPECT_TRUE(frame.asked.empty());
    EXPECT_EQ(view->canResize(), kResultFalse);
    view->setFrame(nullptr);
}
