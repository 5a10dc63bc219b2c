// The installed ghosts, keyed by the name their description file gives.
#pragma once
#include <map>
#include <string>
#include <string_view>

#include "description.h"

struct GhostRecord {
  bool present = false;  // found by the latest rebuild
  std::string sakuraName;
  bool active = false;  // the host reports the ghost running
};

// std::string compares as unsigned bytes, shorter prefix first: the order
// every walk of the registry follows.
using GhostRegistry = std::map<std::string, GhostRecord>;

// The directory the ghosts' directories lie in, as the host last gave it.
const std::string& GhostRoot();
void SetGhostRoot(std::string_view root);

// Never inserts: the ghost events only touch ghosts that are installed.
GhostRecord* FindGhost(const std::string& name);
GhostRecord& AccessGhost(const std::string& name);
const GhostRegistry& Ghosts();

// A rebuild: clear every present flag, record each description found, then
// erase what was not found again. Active flags survive for names found again.
void BeginRebuild();
void RecordDescription(const GhostDescription& description);
void SweepAbsentGhosts();
