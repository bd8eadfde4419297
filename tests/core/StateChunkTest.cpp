#include "StateChunk.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "CoreTestSupport.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<uint8_t> Bytes(const StateChunk& chunk) {
    return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

StateChunk ChunkOf(const std::vector<double>& values) {
    StateChunk chunk;
    for (double value : values)
        chunk.PutDouble(value);
    return chunk;
}

class ParameterChunkTest : public ::testing::Test {
protected:
    ParameterChunkTest() : core(journal) {
        DefineTwelveParameters(core);
        defaults = PlainValues(core);
    }

    Journal journal;
    RecordingCore core;
    std::vector<double> defaults;
};

} // namespace

TEST(StateChunkBytes, ValuesAreStoredLittleEndian) {
    StateChunk chunk;
    ASSERT_TRUE(chunk.PutDouble(1.0));
    ASSERT_TRUE(chunk.PutInt32(-2));
    ASSERT_TRUE(chunk.PutInt32(0x01020304));
    EXPECT_EQ(Bytes(chunk), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xFE, 0xFF, 0xFF,
                                                  0xFF, 4, 3, 2, 1}));

    // And decoded little-endian from bytes written elsewhere.
    const uint8_t stored[] = {0, 0, 0, 0, 0, 0x88, 0xC3, 0x40}; // 10000.0
    StateChunk foreign;
    foreign.PutBytes(stored, sizeof stored);
    double value = 0.0;
    EXPECT_EQ(foreign.GetDouble(&value, 0), 8);
    EXPECT_EQ(value, 10000.0);
}

TEST(StateChunkBytes, ReadsThatDoNotFitGiveMinusOneAndZero) {
    StateChunk chunk;
    chunk.PutInt32(7);
    chunk.PutInt32(9);
    double d = 1.0;
    int32_t i = 1;
    EXPECT_EQ(chunk.GetDouble(&d, 1), -1) << "seven bytes remain";
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(chunk.GetInt32(&i, 6), -1);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(chunk.GetInt32(&i, 4), 8);
    EXPECT_EQ(i, 9);
    EXPECT_EQ(chunk.GetInt32(&i, -4), -1) << "negative position";
    EXPECT_EQ(chunk.GetInt32(&i, 1000), -1) << "past the end";
    EXPECT_EQ(chunk.GetInt32(&i, std::numeric_limits<int>::max()), -1);
    EXPECT_EQ(chunk.GetBytes(&i, 0, 8), 8) << "an empty read at the end fits";

    StateChunk empty;
    EXPECT_EQ(empty.GetDouble(&d, 0), -1);
    EXPECT_EQ(empty.Size(), 0);
}

TEST_F(ParameterChunkTest, WritesEveryPlainValueInIndexOrder) {
    SetPlainValues(core, OtherValues());
    StateChunk chunk;
    ASSERT_TRUE(core.WriteState(chunk));
    ASSERT_EQ(chunk.Size(), 96);
    for (int i = 0; i < 12; ++i) {
        double value = 0.0;
        EXPECT_EQ(chunk.GetDouble(&value, 8 * i), 8 * (i + 1));
        EXPECT_EQ(value, OtherValues()[static_cast<size_t>(i)]) << "parameter " << i;
    }
    EXPECT_EQ(chunk.Data()[7], 0x40) << "high byte of 432.5 comes last";
}

TEST_F(ParameterChunkTest, WriteAppendsAfterExistingBytes) {
    StateChunk chunk;
    chunk.PutInt32(42);
    ASSERT_TRUE(core.WriteParameters(chunk));
    EXPECT_EQ(chunk.Size(), 4 + 96);
    EXPECT_EQ(core.ReadParameters(chunk, 4), 100);
    EXPECT_EQ(PlainValues(core), defaults);
}

TEST_F(ParameterChunkTest, RoundTripRestoresEveryParameterInIndexOrder) {
    Journal otherJournal;
    RecordingCore source(otherJournal);
    DefineTwelveParameters(source);
    SetPlainValues(source, OtherValues());
    StateChunk chunk;
    ASSERT_TRUE(source.WriteState(chunk));

    EXPECT_EQ(core.ReadState(chunk, 0), 96);
    EXPECT_EQ(PlainValues(core), OtherValues());
    ASSERT_EQ(core.applied.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(core.applied[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(core.applied[static_cast<size_t>(i)].value, OtherValues()[static_cast<size_t>(i)])
            << "the engine must see the restored value when it is told";
    }
}

TEST_F(ParameterChunkTest, ShortChunkRestoresWhatIsThereAndZeroesWhereItEnds) {
    const std::vector<double> values = OtherValues();
    const StateChunk chunk = ChunkOf({values.begin(), values.begin() + 5}); // 40 bytes
    ASSERT_EQ(chunk.Size(), 40);

    EXPECT_EQ(core.ReadParameters(chunk, 0), -1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(core.GetParam(i)->PlainValue(), values[static_cast<size_t>(i)]);
    EXPECT_EQ(core.GetParam(5)->PlainValue(), 1.0) << "0.0 clamped to the minimum 1";
    for (int i = 6; i < 12; ++i)
        EXPECT_EQ(core.GetParam(i)->PlainValue(), defaults[static_cast<size_t>(i)]);
    EXPECT_EQ(core.AppliedIndices(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ParameterChunkTest, EmptyChunkClampsParameterZeroOnly) {
    EXPECT_EQ(core.ReadParameters(StateChunk(), 0), -1);
    EXPECT_EQ(core.GetParam(0)->PlainValue(), 1.0);
    EXPECT_EQ(core.AppliedIndices(), std::vector<int>{0});
}

TEST_F(ParameterChunkTest, LongChunkIgnoresTheExtraBytes) {
    StateChunk chunk = ChunkOf(OtherValues());
    chunk.PutInt32(-1);
    chunk.PutDouble(123.0);
    EXPECT_EQ(core.ReadParameters(chunk, 0), 96);
    EXPECT_EQ(PlainValues(core), OtherValues());
    EXPECT_EQ(core.applied.size(), 12u);
}

TEST_F(ParameterChunkTest, OutOfRangeValuesAreClampedNotRejected) {
    std::vector<double> values = defaults;
    values[0] = 1e9; // max 20000
    values[1] = -kInf;
    values[2] = kInf;
    values[3] = 7.0; // enum 0..3
    values[8] = -50.0;
    ASSERT_EQ(core.ReadParameters(ChunkOf(values), 0), 96);
    EXPECT_EQ(core.GetParam(0)->PlainValue(), 20000.0);
    EXPECT_EQ(core.GetParam(1)->PlainValue(), 0.0);
    EXPECT_EQ(core.GetParam(2)->PlainValue(), 20000.0);
    EXPECT_EQ(core.GetParam(3)->PlainValue(), 3.0);
    EXPECT_EQ(core.GetParam(8)->PlainValue(), 0.0);
}

TEST_F(ParameterChunkTest, StoredNaNRestoresTheDefault) {
    SetPlainValues(core, OtherValues());
    std::vector<double> values = OtherValues();
    values[0] = std::numeric_limits<double>::quiet_NaN();
    values[6] = -std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(core.ReadParameters(ChunkOf(values), 0), 96);
    EXPECT_EQ(core.GetParam(0)->PlainValue(), 200.0);
    EXPECT_EQ(core.GetParam(6)->PlainValue(), 800.0);
    for (const RecordingCore::Applied& a : core.applied)
        EXPECT_FALSE(std::isnan(a.value));
}

TEST_F(ParameterChunkTest, BadStartPositionsNeverReadOutsideTheChunk) {
    const StateChunk chunk = ChunkOf(OtherValues());
    EXPECT_EQ(core.ReadParameters(chunk, -1), -1);
    EXPECT_EQ(core.ReadParameters(chunk, -8), -1);
    EXPECT_TRUE(core.applied.empty()) << "a negative start means there is nothing to read";
    EXPECT_EQ(PlainValues(core), defaults);

    EXPECT_EQ(core.ReadParameters(chunk, 97), -1);
    EXPECT_EQ(core.ReadParameters(chunk, 90), -1);
    EXPECT_EQ(core.AppliedIndices(), (std::vector<int>{0, 0}))
        << "each failed read announces only the parameter where the data ran out";
    for (int i = 1; i < 12; ++i)
        EXPECT_EQ(core.GetParam(i)->PlainValue(), defaults[static_cast<size_t>(i)]);
}
