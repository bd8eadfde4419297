#pragma once

#include <memory>

#include "ToneVoice.h"

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::session {

// Tone voices played by instances of the instrument itself, each a new
// instance from the loaded module, in generator mode at full volume with
// centred carriers and the shortest glide; the session drives its carrier,
// beat, ears and wave.
class PluginVoiceFactory : public VoiceFactory {
public:
    explicit PluginVoiceFactory(render::PluginSession& plugin) : plugin_(plugin) {}
    // Throws SessionError when an instance cannot be made or started.
    std::unique_ptr<ToneVoice> Create(int sampleRate, int maxFrames) override;

private:
    render::PluginSession& plugin_;
};

} // namespace tonewell::session
