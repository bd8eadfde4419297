#include <cmath>
#include <limits>
#include <random>

#include "HostTestSupport.h"

using namespace Steinberg;
using namespace hosttest;

namespace {

const std::vector<double> kDefaults = {200.0, 4.0, 440.0, 0, 0, 0, 800, 500, 1000, 90, 1, 0};
const double kMin[kParameterCount] = {1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
const double kMax[kParameterCount] = {20000, 512, 20000, 3, 1, 1, 8000, 8000, 90000, 100, 1, 1};

void ExpectInRange(const std::vector<double>& values) {
    ASSERT_EQ(values.size(), static_cast<size_t>(kParameterCount));
    for (int i = 0; i < kParameterCount; ++i) {
        EXPECT_TRUE(std::isfinite(values[i])) << "parameter " << i;
        EXPECT_GE(values[i], kMin[i]) << "parameter " << i;
        EXPECT_LE(values[i], kMax[i]) << "parameter " << i;
    }
}

} // namespace

TEST(State, HoldsTwelveLittleEndianDoubles) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(plugin->GetState(bytes, error)) << error;
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(DecodeState(bytes), kDefaults);
}

TEST(State, RoundTripsAndClampsValues) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    std::vector<double> stored = {300.5, 7.83, 432.0, 2, 1, 1, 0, 8000, 1, 50, 0, 1};
    EXPECT_EQ(plugin->SetState(EncodeState(stored)), kResultOk);
    EXPECT_EQ(PlainValues(*plugin), stored);
    EXPECT_DOUBLE_EQ(plugin->Controller()->getParamNormalized(Volume), 0.5);

    auto other = NewInstance();
    ASSERT_NE(other, nullptr);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(plugin->GetState(bytes, error));
    EXPECT_EQ(other->SetState(bytes), kResultOk);
    EXPECT_EQ(PlainValues(*other), stored);

    std::vector<double> outside = {1e9, -4, 0.0, 7, 5, -1, 1e6, -1e6, 0, 101, 2, -2};
    other->SetState(EncodeState(outside));
    EXPECT_EQ(PlainValues(*other),
              (std::vector<double>{20000, 0, 1, 3, 1, 0, 8000, 0, 1, 100, 1, 0}));
}

TEST(State, ShortStreamsRestoreWhatTheyHold) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    std::vector<double> stored = {300.0, 8.0, 432.0, 3, 1, 1, 10, 10, 10, 10, 0, 1};
    std::vector<std::uint8_t> bytes = EncodeState(stored);
    bytes.resize(40);
    plugin->SetState(bytes);
    // Five values restored, the sixth read as 0 and clamped, the rest untouched.
    std::vector<double> expected = {300.0, 8.0, 432.0, 3, 1, 0, 800, 500, 1000, 90, 1, 0};
    EXPECT_EQ(PlainValues(*plugin), expected);

    bytes.resize(3);
    plugin->SetState(bytes);
    ExpectInRange(PlainValues(*plugin));
    plugin->SetState({});
    ExpectInRange(PlainValues(*plugin));
}

TEST(State, HugeRandomAndNonNumericStreamsAreHarmless) {
    auto plugin = StartedInstance();
    ASSERT_NE(plugin, nullptr);
    std::mt19937 random(11);
    std::vector<std::uint8_t> huge(1 << 20);
    for (auto& byte : huge)
        byte = static_cast<std::uint8_t>(random());
    plugin->SetState(huge);
    ExpectInRange(PlainValues(*plugin));

    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> bytes(random() % 200);
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        plugin->SetState(bytes);
        ExpectInRange(PlainValues(*plugin));
    }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    plugin->SetState(EncodeState({nan, inf, -inf, nan, nan, nan, inf, nan, nan, nan, nan, nan}));
    ExpectInRange(PlainValues(*plugin));

    // The instance still renders sound afterwards.
    plugin->SetPlaying(true);
    Stereo out = Render(*plugin, 2048);
    for (float sample : out.left)
        ASSERT_TRUE(std::isfinite(sample));
}

TEST(State, NullStreamsAreRefused) {
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    EXPECT_NE(plugin->Component()->setState(nullptr), kResultOk);
    EXPECT_NE(plugin->Component()->getState(nullptr), kResultOk);
    EXPECT_EQ(PlainValues(*plugin), kDefaults);
}
