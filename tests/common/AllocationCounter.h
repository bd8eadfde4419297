#pragma once

// Heap allocations of the whole executable, counted by the replaced global
// operator new in AllocationCounter.cpp; link that file into an executable of
// its own, as it replaces the operators for everything in it.
long AllocationCount();
