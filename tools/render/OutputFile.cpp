#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include "RenderError.h"

namespace tonewell::render {

namespace {

RenderError CannotWrite(const std::string& path, const std::string& reason) {
    return RenderError("cannot write output file \"" + path + "\": " + reason);
}

} // namespace

OutputFile::OutputFile(std::string destination) : destination_(std::move(destination)) {
    try {
        file_.emplace(destination_);
    } catch (const durable::DurableFileError& error) {
        throw CannotWrite(destination_, error.Reason());
    }
}

int OutputFile::ReleaseDescriptor() {
    const int descriptor = file_->DuplicateDescriptor();
    if (descriptor < 0) throw CannotWrite(destination_, std::strerror(errno));
    return descriptor;
}

void OutputFile::Commit() {
    try {
        file_->Commit();
    } catch (const durable::DurableFileError& error) {
        throw CannotWrite(destination_, error.Reason());
    }
}

} // namespace tonewell::render
