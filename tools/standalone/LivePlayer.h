#pragma once

#include <NoteSchedule.h>
#include <SessionAutomation.h>
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "ListenerStage.h"
#include "NoteQueue.h"
#include "ParameterChangeQueue.h"
#include "SoundSource.h"

namespace tonewell::hostkit {
class PluginInstance;
}

namespace tonewell::standalone {

// The audio callback's side of the program: it runs the started plug-in
// block by block into the device's buffers, with the session's automation
// and the changes queued by the user, and fades the output out when asked to
// stop or when the session ends. Render allocates nothing and takes no lock
// beyond the plug-in's own; the other members are safe from any thread.
class LivePlayer {
public:
    struct Settings {
        int sampleRate = 48000;
        // The largest block handed to the plug-in: the size it was started with.
        int maxBlock = 256;
        // Length to play; -1 plays until stopped.
        std::int64_t totalFrames = -1;
        // The fade before the natural end and the one after a stop request.
        std::int64_t endFadeFrames = 0;
        std::int64_t stopFadeFrames = 0;
        // Plays the length again and again, with the end fade before each
        // restart and a fade-in of the same length after it.
        bool loop = false;
        // Where in the length playing begins (a loop's later rounds begin at
        // 0); a start past 0 fades in like a restart.
        std::int64_t startFrame = 0;
        // Sent at each restart, before the automation's first points: the
        // values the playing started with.
        std::vector<ParameterChangeQueue::Change> restartChanges;
    };

    // The instance must be started with a block size of at least
    // settings.maxBlock and outlive the player, like the queue.
    LivePlayer(hostkit::PluginInstance& instance, ParameterChangeQueue& changes,
               render::SessionAutomation automation, const Settings& settings);

    // A session's notes, played on their frames; set before the stream starts.
    void SetSessionNotes(render::NoteSchedule notes) { sessionNotes_.emplace(std::move(notes)); }
    // A source of notes (at most two: the keyboard and MIDI), each read at
    // the start of every block; attach them before the stream starts. False
    // when there is no room for another.
    bool AttachNotes(NoteQueue& notes);
    // A sound played in place of the instance (set before the stream
    // starts; it must outlive the player). It holds its place while the
    // transport is stopped, fading out and in around the pause; the user's
    // changes and notes then go nowhere.
    void SetSource(SoundSource& source) { source_ = &source; }

    // Audio thread: fills `frames` frames of both channels; silence once finished.
    void Render(float* left, float* right, int frames);
    // Audio thread: the device reported a gap in the output.
    void CountUnderrun() { underruns_.fetch_add(1, std::memory_order_relaxed); }

    // The transport's playing state from the next block on; generator
    // programs sound only while it plays. It starts playing.
    void SetTransport(bool playing) { transport_.store(playing, std::memory_order_relaxed); }
    bool Transport() const { return transport_.load(std::memory_order_relaxed); }
    // For changing the output under a playing program: Hold fades the sound
    // out over a few milliseconds, then gives silence without running the
    // plug-in (Held() turns true); Resume fades it back in where it stopped.
    void Hold() { holdRequested_.store(true, std::memory_order_release); }
    bool Held() const { return held_.load(std::memory_order_acquire); }
    void Resume() { holdRequested_.store(false, std::memory_order_release); }
    // Counts in frames of `sampleRate` from now on, where playing stands
    // kept; the automation and the session's notes come made for that rate,
    // skipped to Position(). Only while no stream calls Render.
    void Retime(int sampleRate, render::SessionAutomation automation,
                std::optional<render::NoteSchedule> notes);

    // Starts the stop fade at the next block; Finished() follows it.
    void RequestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
    // True once the last faded frame has been played.
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    std::int64_t FramesPlayed() const { return played_.load(std::memory_order_relaxed); }
    // Where in the length playing stands (a loop starts it over), and the
    // length: -1 when playing goes on until stopped.
    std::int64_t Position() const { return position_.load(std::memory_order_relaxed); }
    std::int64_t LengthFrames() const { return settings_.totalFrames; }
    int SampleRate() const { return settings_.sampleRate; }
    std::uint64_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }
    // Blocks the plug-in refused to process or whose changes did not fit.
    std::uint64_t Failures() const { return failures_.load(std::memory_order_relaxed); }
    // Largest magnitude of the last callback's output, for a level meter.
    float LastPeak() const { return lastPeak_.load(std::memory_order_relaxed); }
    // The bar's volume, sleep timer and channel check, applied to every
    // callback's output.
    ListenerStage& Listener() { return listener_; }

private:
    // Moves queued changes into the plug-in's list for the next block.
    void TakeQueuedChanges();
    // Moves queued notes into the plug-in's events for the next block.
    void TakeQueuedNotes();
    // Fade gain of the frame at `position` in the length, `elapsed` frames
    // after the start.
    float Gain(std::int64_t position, std::int64_t elapsed) const;
    // The fades of Gain over the block of `count` frames starting at done_.
    void ApplyGain(float* const* outputs, int count) const;
    // True once the length (without a loop) or the stop fade is played.
    bool Ended(std::int64_t stopEnd) const;
    // Back to the length's first frame, with the starting values.
    void Restart();
    // Renders `count` frames of the source into `outputs`; false when it
    // failed. Returns through `advanced` whether its place moved on.
    bool RenderSource(float* const* outputs, int count, bool& advanced);

    hostkit::PluginInstance& instance_;
    ParameterChangeQueue& changes_;
    render::SessionAutomation automation_;
    std::optional<render::NoteSchedule> sessionNotes_;
    Settings settings_;
    // The change that did not fit into the last block's list.
    ParameterChangeQueue::Change pending_{};
    bool hasPending_ = false;
    std::array<NoteQueue*, 2> noteSources_{};
    SoundSource* source_ = nullptr;
    // The source's gain for the transport: 1 playing, 0 paused.
    float sourceGain_ = 1.f;
    ListenerStage listener_;
    // Elapsed frame the stop fade began at; -1 while none has.
    std::int64_t stopFadeStart_ = -1;
    // Position in the length (it starts over with each loop), and the
    // frames played since the start.
    std::int64_t done_ = 0;
    std::int64_t elapsed_ = 0;
    // Position a fade-in starts at; -1 for none.
    std::int64_t fadeInFrom_ = -1;

    // The hold's fade: 1 plays, 0 is held.
    float holdGain_ = 1.f;

    std::atomic<bool> holdRequested_{false};
    std::atomic<bool> held_{false};
    std::atomic<bool> transport_{true};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::int64_t> played_{0};
    std::atomic<std::int64_t> position_{0};
    std::atomic<std::uint64_t> underruns_{0};
    std::atomic<std::uint64_t> failures_{0};
    std::atomic<float> lastPeak_{0.f};
};

} // namespace tonewell::standalone
