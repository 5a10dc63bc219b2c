#include "registry.h"

#include <utility>

static std::vector<std::string> g_ghostFolders;
static GhostRegistry g_registry;

std::vector<std::string> GhostFolders() { return g_ghostFolders; }

void SetGhostFolders(std::vector<std::string> folders) { g_ghostFolders = std::move(folders); }

GhostRecord* FindGhost(const std::string& name) {
  auto it = g_registry.find(name);
  return it == g_registry.end() ? nullptr : &it->second;
}

GhostRecord& AccessGhost(const std::string& name) { return g_registry[name]; }

const GhostRegistry& Ghosts() { return g_registry; }

void ClearActiveFlags() {
  for (auto& entry : g_registry) entry.second.active = false;
}

void BeginRebuild() {
  for (auto& entry : g_registry) entry.second.present = false;
}

void RecordDescription(const GhostDescription& description) {
  if (description.name.empty()) return;
  GhostRecord& record = AccessGhost(description.name);
  record.present = true;
  // Set even when empty: a sakura.name line that has gone empties the field.
  record.sakuraName = description.sakuraName;
}

void SweepAbsentGhosts() {
  for (auto it = g_registry.begin(); it != g_registry.end();) {
    if (it->second.present)
      ++it;
    else
      it = g_registry.erase(it);
  }
}
