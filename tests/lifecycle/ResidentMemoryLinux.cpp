#include <cstdio>
#include <unistd.h>

#include "ResidentMemory.h"

// The second field of /proc/self/statm: resident pages.
std::size_t ResidentBytes() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return 0;
    unsigned long size = 0, resident = 0;
    const int fields = std::fscanf(file, "%lu %lu", &size, &resident);
    std::fclose(file);
    return fields == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}
