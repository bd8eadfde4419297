#pragma once

#include <DurableFile.h>
#include <optional>
#include <string>

namespace tonewell::render {

// The output is written into a temporary file in the destination's folder and
// put in place durably only when complete (DurableFile), so a failed render
// never leaves a partial or clobbered file behind, and a finished one
// survives a power loss. Failures are RenderErrors naming the output file.
class OutputFile {
public:
    // Throws RenderError when the folder cannot take a new file.
    explicit OutputFile(std::string destination);

    // A descriptor of the temporary file for the writer that takes it over
    // (the audio writer), which closes it.
    int ReleaseDescriptor();

    // Moves the finished temporary file to the destination. Throws RenderError.
    void Commit();

private:
    std::string destination_;
    std::optional<durable::DurableFile> file_;
};

} // namespace tonewell::render
