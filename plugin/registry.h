// The installed ghosts, keyed by the name their description file gives.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "description.h"

struct GhostRecord {
  bool present = false;  // found by the latest rebuild
  std::string sakuraName;
  bool active = false;  // the host reports the ghost running
};

// std::string compares as unsigned bytes, shorter prefix first: the order
// every walk of the registry follows.
using GhostRegistry = std::map<std::string, GhostRecord>;

// The folders the ghosts' directories lie in, as the latest ghostpathlist
// named them; none until the first one. A copy: a rebuild walks it while
// nothing can change it underneath.
std::vector<std::string> GhostFolders();
void SetGhostFolders(std::vector<std::string> folders);

// Never inserts: the ghost events only touch ghosts that are installed.
GhostRecord* FindGhost(const std::string& name);
GhostRecord& AccessGhost(const std::string& name);
const GhostRegistry& Ghosts();

// A new session: every entry stays, none runs.
void ClearActiveFlags();

// A rebuild: clear every present flag, record each description found, then
// erase what was not found again. Active flags survive for names found again.
void BeginRebuild();
void RecordDescription(const GhostDescription& description);
void SweepAbsentGhosts();
