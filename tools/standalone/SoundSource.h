#pragma once

namespace tonewell::standalone {

// A whole sound that the live player plays in place of its one instance of
// the instrument (an SBaGen session and its voices). Render runs on the audio
// thread: it must not allocate, do I/O or wait.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    // Writes the next `frames` frames (at most the player's block size); false
    // when the sound failed, the frames then unspecified.
    virtual bool Render(float* left, float* right, int frames) = 0;
    // Back to the sound's first frame (for a loop).
    virtual void Rewind() = 0;
};

} // namespace tonewell::standalone
