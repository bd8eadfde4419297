#pragma once

#include <string>

namespace tonewell::render {

// The output is written into a temporary file in the destination's folder and
// renamed over the destination only when complete, so a failed render never
// leaves a partial or clobbered file behind. On Linux the temporary file is
// unnamed (O_TMPFILE) where the file system allows it, so that even a killed
// render leaves nothing; it is linked into place by Commit.
class OutputFile {
public:
    // Throws RenderError when the folder cannot take a new file.
    explicit OutputFile(std::string destination);
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Descriptor of the open temporary file. Whoever takes it over (the audio
    // writer) closes it; the object only remembers that it has been handed out.
    int ReleaseDescriptor();
    // Empty while the file is unnamed.
    const std::string& TemporaryPath() const { return temporaryPath_; }

    // Moves the finished temporary file to the destination. Throws RenderError.
    void Commit();

private:
    std::string destination_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    // A second descriptor of an unnamed file, kept to link it by; -1 otherwise.
    int linkDescriptor_ = -1;
    bool committed_ = false;
};

} // namespace tonewell::render
