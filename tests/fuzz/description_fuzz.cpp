// Description files come from third-party ghosts: any bytes must read
// without a fault, and what is taken must come from a "name," or
// "sakura.name," line of the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugin/description.h"
#include "plugin/registry.h"

static bool HasLineStartingWith(const std::string& bytes, const std::string& prefix) {
  for (size_t start = 0; start <= bytes.size(); start = bytes.find('\n', start) + 1) {
    if (bytes.compare(start, prefix.size(), prefix) == 0) return true;
    if (bytes.find('\n', start) == std::string::npos) break;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::FILE* file = fmemopen(bytes.data(), bytes.size(), "r");
  if (!file) return 0;
  GhostDescription d = ReadDescription(file);
  std::fclose(file);
  for (const std::string* value : {&d.name, &d.sakuraName})
    if (value->find('\n') != std::string::npos) std::abort();
  if (!d.name.empty() && !HasLineStartingWith(bytes, "name," + d.name)) std::abort();
  if (!d.sakuraName.empty() && !HasLineStartingWith(bytes, "sakura.name," + d.sakuraName)) std::abort();

  BeginRebuild();
  RecordDescription(d);
  SweepAbsentGhosts();
  if (Ghosts().size() != (d.name.empty() ? 0u : 1u)) std::abort();
  return 0;
}
