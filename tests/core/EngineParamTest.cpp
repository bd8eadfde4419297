#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>

#include "CoreTestSupport.h"
#include "IEngineParam.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Format(const IEngineParam& param, double value, bool normalized = false) {
    char text[IEngineParam::kFormatSize];
    param.FormatValue(value, normalized, text, sizeof text);
    return text;
}

} // namespace

TEST(EngineParamDefine, ContinuousRaisesMaxToOneStepAboveMin) {
    IEngineParam param;
    param.DefineContinuous("Level", 20.0, 20.0, 20.0, 0.01, "dB");
    EXPECT_EQ(param.GetKind(), IEngineParam::KindDouble);
    EXPECT_DOUBLE_EQ(param.Max(), 20.01);
    EXPECT_EQ(param.PlainValue(), 20.0);
    EXPECT_EQ(param.Default(), 20.0);
    EXPECT_STREQ(param.DisplayName(), "Level");
    EXPECT_STREQ(param.UnitLabel(), "dB");
}

TEST(EngineParamDefine, DecimalsFollowTheStepUpToSix) {
    const struct {
        double step;
        int decimals;
    } cases[] = {{1.0, 0}, {0.1, 1}, {0.01, 2}, {0.25, 2}, {1.0 / 3.0, 6}};
    for (const auto& c : cases) {
        IEngineParam param;
        param.DefineContinuous("p", 0.0, 0.0, 100.0, c.step, "");
        EXPECT_EQ(param.Decimals(), c.decimals) << "step " << c.step;
    }
}

TEST(EngineParamDefine, IntegerAndEnumKeepTheirKind) {
    IEngineParam integer, enumerated;
    integer.DefineInteger("Volume", 90, 0, 100, "%");
    enumerated.DefineEnum("Wave", 0, 4, "");
    EXPECT_EQ(integer.GetKind(), IEngineParam::KindInteger);
    EXPECT_TRUE(integer.IsIntegral());
    EXPECT_EQ(integer.Step(), 1.0);

    EXPECT_EQ(enumerated.GetKind(), IEngineParam::KindEnum);
    EXPECT_EQ(enumerated.Min(), 0.0);
    EXPECT_EQ(enumerated.Max(), 3.0);
    EXPECT_EQ(enumerated.Step(), 1.0);
    EXPECT_EQ(enumerated.Decimals(), 0);
    EXPECT_EQ(enumerated.ToNormalized(3.0), 1.0);

    // A later continuous definition must not turn an enumeration into a double.
    enumerated.DefineContinuous("Wave", 0.0, 0.0, 3.0, 1.0, "");
    EXPECT_EQ(enumerated.GetKind(), IEngineParam::KindEnum);
}

TEST(EngineParamDefine, NullAndOverlongTextsAreSafe) {
    IEngineParam param;
    const std::string longName(40, 'n');
    param.DefineContinuous(nullptr, 0.0, 0.0, 1.0, 0.1, nullptr);
    EXPECT_STREQ(param.DisplayName(), "");
    EXPECT_STREQ(param.UnitLabel(), "");
    param.DefineContinuous(longName.c_str(), 0.0, 0.0, 1.0, 0.1, longName.c_str());
    EXPECT_EQ(std::strlen(param.DisplayName()), IEngineParam::kTextSize - 1);
    EXPECT_EQ(std::strlen(param.UnitLabel()), IEngineParam::kTextSize - 1);
    param.SetValueText(1, nullptr);
    EXPECT_STREQ(param.ValueText(1), "");
}

TEST(EngineParamMapping, IntegralKindsRoundToTheNearestStep) {
    IEngineParam param;
    param.DefineInteger("Steps", 0, 0, 10, "");
    param.SetFromNormalized(0.54);
    EXPECT_EQ(param.PlainValue(), 5.0);
    param.SetFromNormalized(0.56);
    EXPECT_EQ(param.PlainValue(), 6.0);
    param.SetFromNormalized(0.55); // 5.5 rounds half up
    EXPECT_EQ(param.PlainValue(), 6.0);
    param.SetFromNormalized(1.0);
    EXPECT_EQ(param.PlainValue(), 10.0);

    IEngineParam continuous;
    continuous.DefineContinuous("Steps", 0.0, 0.0, 10.0, 1.0, "");
    continuous.SetFromNormalized(0.54);
    EXPECT_DOUBLE_EQ(continuous.PlainValue(), 5.4) << "continuous values are not rounded";
}

TEST(EngineParamMapping, CurveTwoSpendsHalfTheRangeOnTheLowQuarter) {
    IEngineParam param;
    param.DefineContinuous("Amount", 0.0, 0.0, 100.0, 1.0, "");
    param.SetCurve(2.0);
    param.SetCurve(0.0); // ignored: the curve is an exponent divisor
    param.SetFromNormalized(0.5);
    EXPECT_DOUBLE_EQ(param.PlainValue(), 25.0);
    EXPECT_DOUBLE_EQ(param.ToNormalized(), 0.5);
    EXPECT_DOUBLE_EQ(param.FromNormalized(0.5), 25.0);
    EXPECT_EQ(Format(param, 0.5, true), "25");

    // The round trip holds across the range, not only at the midpoint.
    for (double n = 0.0; n <= 1.0; n += 0.125) {
        param.SetFromNormalized(n);
        EXPECT_NEAR(param.ToNormalized(), n, 1e-12);
    }
}

TEST(EngineParamMapping, ToNormalizedClampsOutOfRangeValues) {
    IEngineParam param;
    param.DefineContinuous("Frequency", 200.0, 1.0, 20000.0, 0.1, "Hz");
    param.SetCurve(2.0);
    EXPECT_EQ(param.ToNormalized(-5.0), 0.0);
    EXPECT_EQ(param.ToNormalized(1e9), 1.0);
    EXPECT_EQ(param.ToNormalized(-kInf), 0.0);
    EXPECT_EQ(param.ToNormalized(kInf), 1.0);
    EXPECT_EQ(param.ToNormalized(kNaN), param.ToNormalized(200.0));
}

TEST(EngineParamMapping, SetFromNormalizedKeepsTheValueInRange) {
    IEngineParam param;
    param.DefineInteger("Fade", 1000, 1, 90000, "ms");
    param.SetFromNormalized(kNaN);
    EXPECT_EQ(param.PlainValue(), 1000.0) << "NaN must leave the value alone";
    param.SetFromNormalized(1.5);
    EXPECT_EQ(param.PlainValue(), 90000.0);
    param.SetFromNormalized(-0.5);
    EXPECT_EQ(param.PlainValue(), 1.0);
    param.SetFromNormalized(kInf);
    EXPECT_EQ(param.PlainValue(), 90000.0);
    param.SetFromNormalized(-kInf);
    EXPECT_EQ(param.PlainValue(), 1.0);
}

TEST(EngineParamMapping, SetPlainValueClampsAndTurnsNaNIntoTheDefault) {
    IEngineParam param;
    param.DefineContinuous("Frequency", 200.0, 1.0, 20000.0, 0.1, "Hz");
    param.SetPlainValue(-kInf);
    EXPECT_EQ(param.PlainValue(), 1.0);
    param.SetPlainValue(kInf);
    EXPECT_EQ(param.PlainValue(), 20000.0);
    param.SetPlainValue(kNaN);
    EXPECT_EQ(param.PlainValue(), 200.0);
}

TEST(EngineParamDisplay, DecimalsFromTheStepAndZeroWithoutDecimals) {
    IEngineParam param;
    param.DefineContinuous("Beat", 0.0, -100.0, 100.0, 0.01, "Hz");
    EXPECT_EQ(Format(param, 12.5), "12.50");
    EXPECT_EQ(Format(param, 0.0), "0");
    EXPECT_EQ(Format(param, -0.0), "0") << "zero never shows a sign";
    EXPECT_EQ(Format(param, -3.25), "-3.25");
}

TEST(EngineParamDisplay, IntegersRoundHalfAwayFromZero) {
    IEngineParam param;
    param.DefineInteger("Offset", 0, -10, 10, "");
    EXPECT_EQ(Format(param, -2.5), "-3");
    EXPECT_EQ(Format(param, 2.5), "3");
    EXPECT_EQ(Format(param, -0.4), "0");
    // Out of the 32-bit range the number saturates instead of overflowing.
    EXPECT_EQ(Format(param, kInf), "2147483647");
    EXPECT_EQ(Format(param, -1e12), "-2147483648");
}

TEST(EngineParamDisplay, ValueTextsReplaceTheNumberWhenPresent) {
    IEngineParam param;
    param.DefineEnum("Wave", 0, 5, "");
    param.SetValueText(0, "Sine");
    param.SetValueText(1, "Sine half");
    param.SetValueText(2, "Triangle");
    param.SetValueText(3, "");
    param.SetValueText(2, "Duplicate");
    EXPECT_EQ(Format(param, 2.4), "Triangle") << "rounded value, first entry wins";
    EXPECT_EQ(Format(param, 3.0), "3") << "an empty text falls back to the number";
    EXPECT_EQ(Format(param, 4.0), "4") << "no entry falls back to the number";
    EXPECT_EQ(Format(param, 0.25, true), "Sine half") << "normalised 0.25 of 0..4 is 1";
    EXPECT_STREQ(param.ValueText(7), "");
    EXPECT_EQ(param.ValueTextCount(), 5);
}

TEST(EngineParamDisplay, ValueTextsApplyToContinuousParameters) {
    IEngineParam param;
    param.DefineContinuous("Gain", 0.0, 0.0, 10.0, 0.1, "");
    param.SetValueText(0, "Off");
    EXPECT_EQ(Format(param, 0.3), "Off");
    EXPECT_EQ(Format(param, 0.6), "0.6");
}

TEST(EngineParamDisplay, NeverWritesPastTheGivenSize) {
    IEngineParam param;
    param.DefineEnum("Wave", 2, 4, "");
    param.SetValueText(2, "Triangle");

    char small[8];
    std::memset(small, 'X', sizeof small);
    param.FormatValue(2.0, false, small, 4);
    EXPECT_STREQ(small, "Tri");
    EXPECT_EQ(small[4], 'X');

    param.FormatValue(2.0, false, small, 0);
    EXPECT_EQ(small[0], 'T') << "size 0 writes nothing";
    param.FormatValue(2.0, false, nullptr, 16); // must not crash

    IEngineParam huge;
    huge.DefineContinuous("Huge", 0.0, 0.0, 1e301, 0.000001, "");
    char text[IEngineParam::kFormatSize + 16];
    std::memset(text, 'X', sizeof text);
    huge.FormatValue(1e300, false, text, IEngineParam::kFormatSize);
    EXPECT_EQ(std::strlen(text), IEngineParam::kFormatSize - 1);
    EXPECT_EQ(text[IEngineParam::kFormatSize], 'X');
}

TEST(EngineParamValueTexts, FindIsExactAndCaseSensitive) {
    IEngineParam param;
    int found = -1;
    EXPECT_FALSE(param.FindValueText("Sine", &found)) << "no entries";
    param.DefineEnum("Wave", 0, 4, "");
    param.SetValueText(0, "Sine");
    param.SetValueText(3, "Square");
    EXPECT_FALSE(param.FindValueText("sine", &found));
    EXPECT_FALSE(param.FindValueText("Sine ", &found));
    EXPECT_FALSE(param.FindValueText("Squ", &found));
    EXPECT_FALSE(param.FindValueText(nullptr, &found));
    EXPECT_EQ(found, -1) << "a failed search leaves the output alone";
    EXPECT_TRUE(param.FindValueText("Square", &found));
    EXPECT_EQ(found, 3);
}

TEST(EngineParamEditorEdit, SetsValueThenTellsHostThenApplies) {
    Journal journal;
    RecordingCore core(journal);
    DefineTwelveParameters(core);
    core.SetParameterFromEditor(8, 0.5);

    EXPECT_EQ(core.GetParam(8)->PlainValue(), 50.0);
    ASSERT_EQ(core.hostEdits.size(), 1u);
    EXPECT_EQ(core.hostEdits[0], std::make_pair(8, 0.5));
    ASSERT_EQ(core.applied.size(), 1u);
    EXPECT_EQ(core.applied[0].value, 50.0) << "the engine sees the new value";
    EXPECT_EQ(journal.lines, (std::vector<std::string>{"notify 8", "apply 8"}));
}

TEST(EngineParamEditorEdit, BadInputsNeverLeaveTheRange) {
    Journal journal;
    RecordingCore core(journal);
    DefineTwelveParameters(core);
    core.SetParameterFromEditor(-1, 0.5);
    core.SetParameterFromEditor(12, 0.5);
    EXPECT_TRUE(core.hostEdits.empty());
    EXPECT_TRUE(core.applied.empty());

    // NaN is no edit at all; beyond the range the host hears of the end.
    core.SetParameterFromEditor(0, kNaN);
    EXPECT_TRUE(core.hostEdits.empty());
    EXPECT_TRUE(core.applied.empty());
    EXPECT_EQ(core.GetParam(0)->PlainValue(), 200.0);
    core.SetParameterFromEditor(5, 2.0);
    EXPECT_EQ(core.GetParam(5)->PlainValue(), 90000.0);
    ASSERT_EQ(core.hostEdits.size(), 1u);
    EXPECT_EQ(core.hostEdits[0].second, 1.0);
}
