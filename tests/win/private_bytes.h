// Committed private memory of this process, summed over its address space.
// Wine leaves GetProcessMemoryInfo's PrivateUsage at 0, so the tests and
// benchmarks count the pages themselves.
#pragma once
#include <windows.h>

#include <cstddef>

inline size_t CommittedPrivateBytes() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  size_t total = 0;
  char* address = static_cast<char*>(system.lpMinimumApplicationAddress);
  char* end = static_cast<char*>(system.lpMaximumApplicationAddress);
  while (address < end) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(address, &region, sizeof region) != sizeof region) {
      address += system.dwAllocationGranularity;
      continue;
    }
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    address = static_cast<char*>(region.BaseAddress) + region.RegionSize;
  }
  return total;
}
