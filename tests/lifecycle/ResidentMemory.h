// The resident memory of this process, as the system counts it.
#pragma once

#include <cstddef>

std::size_t ResidentBytes();
