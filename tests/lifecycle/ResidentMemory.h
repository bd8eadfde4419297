// The resident memory of this process, as the system counts it.
#pragma once

#include <cstddef>

// 0 when the system does not say.
std::size_t ResidentBytes();
