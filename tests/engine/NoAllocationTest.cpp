#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

#include "TestSupport.h"

// Every global allocation of this executable goes through here, so a test
// can count what happens between two points.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

TEST(AudioThread, RenderingNotesAndParameterChangesDoNotAllocate) {
    EngineHarness h(48000.0, 512);
    StereoBuffers buffers(512, 0.1);
    MidiMessage noteOn{0, 0x90, 69, 100}, noteOff{0, 0x80, 69, 0};
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512); // first block

    const long before = allocations.load();
    for (int mode = 0; mode <= 1; ++mode) {
        h.plug.GetParam(ParamMode)->SetFromNormalized(mode);
        h.plug.ApplyParameter(ParamMode);
        for (int beats = 0; beats <= 1; ++beats) {
            h.plug.GetParam(ParamBeats)->SetFromNormalized(beats);
            h.plug.ApplyParameter(ParamBeats);
            for (int wave = 0; wave < 4; ++wave) {
                h.plug.GetParam(ParamWave)->SetFromNormalized(wave / 3.0);
                h.plug.ApplyParameter(ParamWave);
                h.plug.HandleMidiMessage(noteOn);
                h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
                h.plug.GetParam(ParamFrequency)->SetFromNormalized(0.1 * (wave + 1));
                h.plug.ApplyParameter(ParamFrequency);
                h.plug.HandleMidiMessage(noteOff);
                h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
            }
        }
    }
    h.plug.ResetEngine();
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 512);
    const long during = allocations.load() - before;

    EXPECT_EQ(during, 0);
    EXPECT_TRUE(h.State().started);
}

TEST(AudioThread, CounterSeesAllocations) {
    const long before = allocations.load();
    auto probe = std::make_unique<int>(5);
    EXPECT_GT(allocations.load(), before);
    EXPECT_EQ(*probe, 5);
}
