// The bundle tool's pieces that see arbitrary names: JSON text and preset
// file names.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ModuleDescription.h"
#include "PresetExporter.h"

using tonewell::bundle::ModuleDescription;
using tonewell::bundle::PresetExporter;

TEST(BundleTool, ModuleInfoEscapesEveryString) {
    const std::string awkward = "Tone \"well\" it's a\\b\n\t\x01 \xC3\xBC";
    ModuleDescription description;
    description.name = awkward;
    description.vendor = "Ke\"str'in";
    ModuleDescription::ClassEntry entry;
    entry.name = awkward;
    entry.subCategories = {"Instrument", "Sy|nth\""};
    entry.cardinality = 0x7FFFFFFF;
    entry.snapshots = {{1.0, "Snapshots/a.png"}, {2.5, "Snapshots/b.png"}};
    description.classes = {entry, entry};

    const auto json = nlohmann::json::parse(description.ToJson(), nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << description.ToJson();
    EXPECT_EQ(json["Name"], awkward);
    EXPECT_EQ(json["Factory Info"]["Vendor"], "Ke\"str'in");
    EXPECT_TRUE(json["Compatibility"].is_array() && json["Compatibility"].empty());
    ASSERT_EQ(json["Classes"].size(), 2u);
    EXPECT_EQ(json["Classes"][1]["Name"], awkward);
    EXPECT_EQ(json["Classes"][1]["Sub Categories"][1], "Sy|nth\"");
    EXPECT_EQ(json["Classes"][0]["Cardinality"], 0x7FFFFFFF);
    EXPECT_DOUBLE_EQ(json["Classes"][0]["Snapshots"][1]["Scale Factor"].get<double>(), 2.5);

    // Bytes that are not UTF-8 (a stray continuation, a cut sequence, a
    // surrogate) would make the file unreadable.
    description.name = "a\x80"
                       "b\xE2\x82 \xED\xA0\x80\xFF";
    const auto repaired = nlohmann::json::parse(description.ToJson(), nullptr, false);
    ASSERT_FALSE(repaired.is_discarded());
    EXPECT_EQ(repaired["Name"], "a\uFFFDb\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD\uFFFD");

    // Nothing to describe is still a complete document.
    EXPECT_FALSE(
        nlohmann::json::parse(ModuleDescription().ToJson(), nullptr, false).is_discarded());
}

TEST(BundleTool, PresetFileNamesAreSafeEverywhere) {
    EXPECT_EQ(PresetExporter::FileNameFor("Binaural - 126.22 (Sun: light)"),
              "Binaural - 126.22 (Sun_ light).vstpreset");
    EXPECT_EQ(PresetExporter::FileNameFor("a/b\\c<d>e\"f|g?h*i\x07"),
              "a_b_c_d_e_f_g_h_i_.vstpreset");
    EXPECT_EQ(PresetExporter::FileNameFor("Earth's tone. "), "Earth's tone.vstpreset");
    EXPECT_EQ(PresetExporter::FileNameFor("con"), "_con.vstpreset");
    EXPECT_EQ(PresetExporter::FileNameFor("..."), "_.vstpreset");

    EXPECT_TRUE(PresetExporter::IsFactoryProgram("Monaural beats"));
    EXPECT_TRUE(PresetExporter::IsFactoryProgram("Left - Right reverse"));
    EXPECT_FALSE(PresetExporter::IsFactoryProgram("---- default ----"));
    EXPECT_FALSE(PresetExporter::IsFactoryProgram("- 126 -"));
    EXPECT_FALSE(PresetExporter::IsFactoryProgram(""));
}
