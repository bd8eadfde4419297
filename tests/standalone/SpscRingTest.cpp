// The ring that carries parameter changes and notes to the audio callback.
#include "SpscRing.h"

#include <gtest/gtest.h>
#include <thread>

namespace tonewell::standalone {
namespace {

TEST(SpscRing, HoldsItsCapacityInOrderAsItWraps) {
    SpscRing<int> ring(3);
    int value = 0, next = 0, expected = 0;
    // Round after round, leaving 0, 1 or 2 behind, so the slots wrap many
    // times at every fill level.
    for (int round = 0; round < 10; ++round) {
        while (ring.Push(next))
            ++next;
        EXPECT_EQ(next - expected, 3) << "a full ring holds its capacity; round " << round;
        const int left = round % 3;
        while (next - expected > left) {
            ASSERT_TRUE(ring.Pop(value));
            ASSERT_EQ(value, expected++);
        }
    }
    while (ring.Pop(value))
        EXPECT_EQ(value, expected++);
    EXPECT_EQ(expected, next);
    EXPECT_FALSE(ring.Pop(value));
}

// Both sides at once, many more values than slots: under ThreadSanitizer
// this checks that a slot is published before the producer's tail moves on.
TEST(SpscRing, ReachesTheOtherThreadWholeAndInOrder) {
    struct Change {
        unsigned id;
        double value;
    };
    constexpr unsigned kCount = 200000;
    SpscRing<Change> ring(64);
    std::thread producer([&] {
        for (unsigned id = 0; id < kCount;)
            if (ring.Push({id, id * 0.5})) ++id;
    });
    Change change{};
    for (unsigned expected = 0; expected < kCount;) {
        if (!ring.Pop(change)) continue;
        ASSERT_EQ(change.id, expected);
        ASSERT_EQ(change.value, expected * 0.5);
        ++expected;
    }
    producer.join();
}

} // namespace
} // namespace tonewell::standalone
