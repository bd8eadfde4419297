#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tonewell::standalone {

// The listening guide (guide.html) that the packages install with the
// programs, and the system's viewer that opens it.
class ListeningGuide {
public:
    // Where the guide may be, in the order they are tried: beside the
    // program (a build tree, an unpacked archive, the Windows installation),
    // then the package's documentation folder (../share/doc/tonewell from
    // /usr/bin). `executableFolder` ends with a separator.
    static std::vector<std::string> Candidates(const std::string& executableFolder);
    // The first candidate that is a file; none when no candidate is.
    static std::optional<std::string> Find();
    // Opens the guide in the system's viewer for web pages (xdg-open, or the
    // shell's "open"); false with `error` set when there is no guide or no
    // viewer starts.
    static bool Open(std::string& error);

private:
    // This program's folder with a trailing separator; empty when unknown.
    static std::string ExecutableFolder();
};

} // namespace tonewell::standalone
