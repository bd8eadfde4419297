#pragma once

#include <optional>
#include <string>
#include <vector>

#include "NoteRequest.h"
#include "ParameterAssignment.h"

namespace tonewell::render {

enum class SampleFormat { Float, Pcm16, Pcm24 };
enum class FileType { Wav, Flac };

// Everything the command line asks for, checked as far as possible without the
// plug-in: numbers, ranges, the output file type and sample format.
struct RenderOptions {
    std::string modulePath;
    bool listPrograms = false;
    bool listParams = false;
    std::optional<std::string> program;
    std::vector<ParameterAssignment> assignments;
    std::vector<NoteRequest> notes;
    // A session file to play; its length replaces --seconds.
    std::optional<std::string> sessionPath;
    // An SBaGen tone-set played from the start, as SBaGen's -i.
    std::optional<std::string> tones;
    bool printSession = false;
    // Standard MIDI File to export the session's notes and programs to; the
    // parameter automation goes to a CSV beside it.
    std::optional<std::string> exportAutomationPath;
    double seconds = 10.0;
    // True when --seconds was given; otherwise an --input file sets the length.
    bool secondsGiven = false;
    // An audio file fed into the instrument's input.
    std::optional<std::string> inputPath;
    // Raised-cosine fades the renderer applies after the module, in seconds.
    double fadeInSeconds = 0.0;
    double fadeOutSeconds = 0.02;
    // TPDF dither for 16- and 24-bit files.
    bool dither = true;
    int sampleRate = 48000;
    int blockSize = 512;
    std::string outputPath;
    FileType fileType = FileType::Wav;
    SampleFormat sampleFormat = SampleFormat::Float;
    // Render and write on one thread instead of two; the file is the same.
    bool singleThread = false;

    // Set when the user asked for --help; nothing else is filled in then.
    std::optional<std::string> helpText;

    static constexpr double kMaxSeconds = 24.0 * 3600.0;
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 384000;
    static constexpr int kMaxBlock = 16384;

    bool Lists() const { return listPrograms || listParams; }
    // True when the run writes no audio: listings, --print-session, or an
    // export without -o.
    bool WritesNoAudio() const {
        return Lists() || printSession || (exportAutomationPath && outputPath.empty());
    }

    // Throws RenderError with a one-line message on any bad input.
    static RenderOptions Parse(int argc, const char* const* argv,
                               const std::string& defaultModulePath);
};

} // namespace tonewell::render
