#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include "ResidentMemory.h"

// The working set, Windows' count of resident memory.
std::size_t ResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize;
}
