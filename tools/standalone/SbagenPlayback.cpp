#include "SbagenPlayback.h"

#include <PluginVoiceFactory.h>
#include <SessionError.h>
#include <SessionPlayer.h>
#include <algorithm>

namespace tonewell::standalone {

session::SbagenScript SbagenPlayback::Read(const std::optional<std::string>& path,
                                           const std::optional<std::string>& tones) {
    return tones ? session::SbagenScript::FromTones(*tones) : session::SbagenScript::Read(*path);
}

SbagenPlayback::SbagenPlayback(session::SbagenScript script, render::PluginSession& plugin,
                               int sampleRate, int maxFrames, std::int64_t startFrame)
    : script_(std::move(script)), timeline_(script_),
      voices_(std::make_unique<session::PluginVoiceFactory>(plugin)),
      left_(static_cast<std::size_t>(std::max(maxFrames, 1))),
      right_(static_cast<std::size_t>(std::max(maxFrames, 1))) {
    if (const int line = script_.MixLine(); line > 0)
        throw session::SessionError(script_.Name() + ":" + std::to_string(line) +
                                    ":1: expected a tone-set without mix: the desktop program "
                                    "has no --input (tonewell-render --input mixes a file)");
    player_ = std::make_unique<session::SessionPlayer>(timeline_, sampleRate, *voices_);
    player_->SkipTo(startFrame);
}

SbagenPlayback::~SbagenPlayback() = default;

bool SbagenPlayback::Render(float* left, float* right, int frames) {
    frames = std::min(frames, static_cast<int>(left_.size()));
    try {
        player_->Render(left_.data(), right_.data(), frames);
    } catch (const session::SessionError&) {
        return false;
    }
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(left_[static_cast<std::size_t>(i)]);
        right[i] = static_cast<float>(right_[static_cast<std::size_t>(i)]);
    }
    return true;
}

void SbagenPlayback::Rewind() {
    player_->SkipTo(0);
}

} // namespace tonewell::standalone
