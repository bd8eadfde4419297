#pragma once

#include <stdexcept>

namespace tonewell::bundle {

// A one-line reason why the bundle tool could not do its work.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tonewell::bundle
