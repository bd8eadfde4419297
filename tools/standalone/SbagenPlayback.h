#pragma once

#include <SbagenScript.h>
#include <SbagenTimeline.h>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SoundSource.h"

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::session {
class PluginVoiceFactory;
class SessionPlayer;
} // namespace tonewell::session

namespace tonewell::standalone {

// An SBaGen session (or a tone-set given on the command line) played live:
// its voices are instances of the instrument from the loaded module, made
// with everything else the session sounds before playing starts, so that
// rendering a block allocates nothing.
class SbagenPlayback : public SoundSource {
public:
    // Reads the session from `path` or the tone specs from `tones` (one of
    // them); throws SessionError "file:line:col: ..." on a mistake.
    static session::SbagenScript Read(const std::optional<std::string>& path,
                                      const std::optional<std::string>& tones);

    // Makes the voices and places the session at `startFrame`. Throws
    // SessionError when a voice cannot be made or a tone does not fit the
    // rate, and when the session needs a mix, which live playing has not.
    SbagenPlayback(session::SbagenScript script, render::PluginSession& plugin, int sampleRate,
                   int maxFrames, std::int64_t startFrame);
    ~SbagenPlayback() override;
    SbagenPlayback(const SbagenPlayback&) = delete;
    SbagenPlayback& operator=(const SbagenPlayback&) = delete;

    bool Render(float* left, float* right, int frames) override;
    void Rewind() override;

    // The session's length in seconds; none when it plays on.
    std::optional<double> Length() const { return script_.Length(); }
    // Name of the tone-set playing `seconds` into the session; any thread.
    std::string ToneSetAt(double seconds) const { return timeline_.ToneSetAt(seconds); }

private:
    session::SbagenScript script_;
    session::SbagenTimeline timeline_;
    std::unique_ptr<session::PluginVoiceFactory> voices_;
    std::unique_ptr<session::SessionPlayer> player_;
    std::vector<double> left_, right_;
};

} // namespace tonewell::standalone
