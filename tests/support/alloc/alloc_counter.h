// Counts the allocations through operator new between a start and a stop, for the
// tests that show a path allocates nothing. The counting operator new replaces the
// allocator of the whole executable, so only the test folders that hold an
// *_alloc_test.cpp link it (tests/CMakeLists.txt); anywhere else these do not link.
#pragma once

void startCountingAllocations();
// The allocations since the start; counting stops.
long stopCountingAllocations();
