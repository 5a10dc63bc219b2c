// What a leak moves: committed private memory and open handles of this
// process. Wine leaves GetProcessMemoryInfo's PrivateUsage, GetProcessHandleCount
// and GetGuiResources at 0, so the tests, benchmarks and the soak count them
// themselves.
#pragma once
#include <windows.h>

#include <winternl.h>

#include <cstddef>
#include <string>
#include <vector>

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
inline std::vector<HANDLE> OpenHandles() {
  std::vector<HANDLE> handles;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
      handles.push_back(reinterpret_cast<HANDLE>(value));
  }
  return handles;
}

inline int OpenHandleCount() { return static_cast<int>(OpenHandles().size()); }

// The kind of object a handle refers to ("Semaphore", "Event", ...), as the
// kernel names it: tells what a leaked handle is.
inline std::string HandleKind(HANDLE handle) {
  using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  alignas(8) unsigned char info[1024] = {};
  if (!query || query(handle, 2 /* ObjectTypeInformation */, info, sizeof info, nullptr) < 0) return "?";
  const auto* name = reinterpret_cast<const UNICODE_STRING*>(info);
  std::string kind;
  for (USHORT i = 0; i < name->Length / 2; ++i)
    kind += static_cast<char>(name->Buffer[i] < 0x80 ? name->Buffer[i] : '?');
  return kind;
}
