// What a leak moves: committed private memory and open handles of this
// process. Wine leaves GetProcessMemoryInfo's PrivateUsage, GetProcessHandleCount
// and GetGuiResources at 0, so the tests, benchmarks and the soak count them
// themselves.
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

// Open handles, found by probing handle values.
inline int OpenHandleCount() {
  int count = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}
