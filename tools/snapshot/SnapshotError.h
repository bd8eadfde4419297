#pragma once

#include <stdexcept>
#include <string>

namespace tonewell::snapshot {

// A problem with the user's input or environment: a malformed script, an
// unwritable file. Its message is one line naming the problem; the program
// prints it and exits with a non-zero status.
class SnapshotError : public std::runtime_error {
public:
    explicit SnapshotError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tonewell::snapshot
