#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"

namespace {

// A core with four slots, twelve defined parameters and an editor attached.
class PresetTest : public ::testing::Test {
protected:
    PresetTest() : core(journal, 12, 4) {
        DefineTwelveParameters(core);
        defaults = PlainValues(core);
        auto surface = std::make_unique<FakeEditor>(journal, &core);
        editor = surface.get();
        core.AttachEditor(std::move(surface));
        editor->pushes.clear();
        core.ClearRecords();
    }

    bool AddOtherValues(const char* name) {
        // Integral parameters take integers, the others doubles.
        return core.AddPresetFromValues(name, 432.5, 7.83, 444.4, 2, 1, 2500, 100, 250, 75, 0, 1,
                                        1);
    }

    void ExpectControlsShow(const std::vector<double>& values) {
        ASSERT_EQ(editor->pushes.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(editor->pushes[i].index, static_cast<int>(i));
            EXPECT_EQ(editor->pushes[i].value, values[i]);
            EXPECT_FALSE(editor->pushes[i].isNormalized);
        }
    }

    Journal journal;
    RecordingCore core;
    FakeEditor* editor = nullptr;
    std::vector<double> defaults;
};

} // namespace

TEST_F(PresetTest, ValuesPresetRestoresEveryParameterAndRefreshesControls) {
    ASSERT_TRUE(AddOtherValues("Schumann"));
    EXPECT_STREQ(core.PresetName(0), "Schumann");
    EXPECT_EQ(PlainValues(core), defaults) << "filling a slot applies nothing";
    EXPECT_TRUE(core.applied.empty());

    EXPECT_TRUE(core.ApplyPreset(0));
    EXPECT_EQ(core.CurrentPreset(), 0);
    EXPECT_EQ(PlainValues(core), OtherValues());
    EXPECT_EQ(core.AppliedIndices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    ExpectControlsShow(OtherValues());
    EXPECT_EQ(journal.lines[12], "push 0") << "controls are refreshed after every value is set";
}

TEST_F(PresetTest, SlotsFillInOrderAndWrongValueCountsAreRefused) {
    EXPECT_FALSE(core.AddPresetFromValues("Too few", 1.0, 2.0, 3.0));
    EXPECT_FALSE(core.AddPresetFromValues("Too many", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13));
    EXPECT_FALSE(core.AddPresetFromArray("Null values", nullptr, 12));
    EXPECT_STREQ(core.PresetName(0), "- 1 -") << "a refused preset takes no slot";

    core.AddDefaultPreset("Init", 1);
    ASSERT_TRUE(AddOtherValues("Second"));
    EXPECT_STREQ(core.PresetName(0), "Init");
    EXPECT_STREQ(core.PresetName(1), "Second");
    EXPECT_STREQ(core.PresetName(2), "- 3 -");
}

TEST_F(PresetTest, NamesAreCopiedSafely) {
    const std::string longName(300, 'p');
    ASSERT_TRUE(AddOtherValues(longName.c_str()));
    ASSERT_TRUE(AddOtherValues(nullptr));
    core.AddDefaultPreset(nullptr, 1);
    EXPECT_EQ(std::string(core.PresetName(0)), longName.substr(0, 255));
    EXPECT_STREQ(core.PresetName(1), "");
    EXPECT_STREQ(core.PresetName(2), "Default");
    EXPECT_STREQ(core.PresetName(-1), "");
    EXPECT_STREQ(core.PresetName(4), "");

    core.AddDefaultPreset("Init", -3);
    EXPECT_STREQ(core.PresetName(3), "- 4 -");
    core.AddDefaultPreset("Init", 10); // more than the one slot left
    EXPECT_STREQ(core.PresetName(3), "Init");
    EXPECT_EQ(core.NumPresets(), 4);
}

TEST_F(PresetTest, FullSlotsAcceptNoMorePresets) {
    core.AddDefaultPreset("Init", 4);
    EXPECT_FALSE(AddOtherValues("Overflow"));
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(core.PresetName(i), "Init");
    EXPECT_EQ(core.CurrentPreset(), 0);
    EXPECT_EQ(PlainValues(core), defaults);
    EXPECT_TRUE(core.applied.empty());
    EXPECT_TRUE(editor->pushes.empty());
}

TEST_F(PresetTest, OutOfRangeIndexChangesNothing) {
    ASSERT_TRUE(AddOtherValues("Schumann"));
    EXPECT_FALSE(core.ApplyPreset(-1));
    EXPECT_FALSE(core.ApplyPreset(4));
    EXPECT_EQ(core.CurrentPreset(), 0);
    EXPECT_EQ(PlainValues(core), defaults);
    EXPECT_TRUE(core.applied.empty());
    EXPECT_TRUE(editor->pushes.empty());
}

TEST_F(PresetTest, UnfilledSlotBecomesUserPresetThenRestoresNothing) {
    SetPlainValues(core, OtherValues());

    // First selection: named, nothing restored, controls refreshed.
    EXPECT_TRUE(core.ApplyPreset(2));
    EXPECT_EQ(core.CurrentPreset(), 2);
    EXPECT_STREQ(core.PresetName(2), "user preset 1");
    EXPECT_EQ(PlainValues(core), OtherValues());
    EXPECT_TRUE(core.applied.empty());
    ExpectControlsShow(OtherValues());

    // Second selection: the slot's chunk is empty, so again nothing is restored.
    editor->pushes.clear();
    EXPECT_FALSE(core.ApplyPreset(2));
    EXPECT_EQ(core.CurrentPreset(), 2);
    EXPECT_EQ(PlainValues(core), OtherValues());
    EXPECT_TRUE(core.applied.empty());
    ExpectControlsShow(OtherValues());
}

TEST_F(PresetTest, UserPresetNumbersCountExistingUserPresets) {
    core.AddDefaultPreset("my user preset", 1);
    EXPECT_TRUE(core.ApplyPreset(1));
    EXPECT_TRUE(core.ApplyPreset(3));
    EXPECT_STREQ(core.PresetName(1), "user preset 2");
    EXPECT_STREQ(core.PresetName(3), "user preset 3");
    EXPECT_TRUE(core.ApplyPreset(2));
    EXPECT_STREQ(core.PresetName(2), "user preset 4");
}

TEST_F(PresetTest, DefaultPresetHoldsNoValues) {
    core.AddDefaultPreset("Init", 1);
    SetPlainValues(core, OtherValues());
    // Selecting it, as a host does with the current program, changes nothing.
    EXPECT_FALSE(core.ApplyPreset(0));
    EXPECT_EQ(core.CurrentPreset(), 0);
    EXPECT_EQ(PlainValues(core), OtherValues());
    EXPECT_TRUE(core.applied.empty());
}
