#include <alsa/asoundlib.h>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "AudioApi.h"
namespace tonewell::standalone {

namespace {

bool Compiled(RtAudio::Api api) {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    for (const auto compiled : apis)
        if (compiled == api) return true;
    return false;
}

bool Accepts(const std::string& socketPath) {
    sockaddr_un address{};
    if (socketPath.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, socketPath.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

// A PulseAudio (or PipeWire-Pulse) server listens on its native socket,
// found the way the client library finds it; a remote PULSE_SERVER is
// trusted as it is.
bool PulseServerRuns() {
    if (const char* server = std::getenv("PULSE_SERVER"); server && *server) {
        const std::string text = server;
        return text.rfind("unix:", 0) == 0 ? Accepts(text.substr(5)) : true;
    }
    std::vector<std::string> sockets;
    if (const char* runtime = std::getenv("PULSE_RUNTIME_PATH"); runtime && *runtime)
        sockets.push_back(std::string(runtime) + "/native");
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        sockets.push_back(std::string(runtime) + "/pulse/native");
    sockets.push_back("/run/user/" + std::to_string(getuid()) + "/pulse/native");
    sockets.push_back("/var/run/pulse/native");
    for (const auto& path : sockets)
        if (Accepts(path)) return true;
    return false;
}

// ALSA's own complaints while probing (no card, no "default") would bury
// the one line this program prints about the device.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

} // namespace

RtAudio::Api PreferredAudioApi() {
    if (Compiled(RtAudio::LINUX_PULSE) && PulseServerRuns()) return RtAudio::LINUX_PULSE;
    if (Compiled(RtAudio::LINUX_ALSA)) {
        snd_lib_error_set_handler(&QuietAlsaErrors);
        return RtAudio::LINUX_ALSA;
    }
    return RtAudio::UNSPECIFIED;
}

// PulseAudio keeps a buffer of its own behind RtAudio's: 256 frames played
// without a gap with both cores of the machine busy, as through ALSA (four
// periods of 256 frames).
unsigned int DefaultBufferFrames() {
    return 256;
}

// RtAudio drains PulseAudio and ALSA streams as it stops them.
std::chrono::milliseconds UnplayedAtStop(RtAudio::Api) {
    return std::chrono::milliseconds(0);
}

} // namespace tonewell::standalone
