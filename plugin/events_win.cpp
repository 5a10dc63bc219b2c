#include "events_win.h"

#include <string>
#include <vector>

#include "common/names.h"
#include "common/wrapper_win.h"
#include "lifecycle.h"
#include "registry.h"
#include "request.h"

// Consecutive ticks that found the recognizer's window, up to 2.
static int g_bootCount = 0;

static GhostRecord* EventGhost() {
  const std::string name = HeaderValue("Reference1");
  return name.empty() ? nullptr : FindGhost(name);
}

// The record is not touched once the send begins: a ghostpathlist request
// handled inside the send may erase it. The name travels as a copy for the
// same reason.
static void Announce(bool active, const GhostRecord& ghost) {
  const std::string sakuraName = ghost.sakuraName;
  SendActivation(active, sakuraName);
}

void OnGhostBoot() {
  GhostRecord* ghost = EventGhost();
  if (!ghost) return;
  ghost->active = true;
  Announce(true, *ghost);
}

void OnGhostInfoUpdate() {
  GhostRecord* ghost = EventGhost();
  if (!ghost || ghost->active) return;
  ghost->active = true;
  Announce(true, *ghost);
}

void OnGhostExit() {
  GhostRecord* ghost = EventGhost();
  if (!ghost) return;
  ghost->active = false;
  Announce(false, *ghost);
}

void OnMenuExec() { StartProgram(PluginPath(kConfigProgram)); }

void OnTick() {
  // One lookup serves the whole batch: a window that goes away meanwhile
  // fails the next send at once, and a new one is served from the next tick.
  HWND window = FindWrapperWindow();
  if (!window) {
    g_bootCount = 0;
    return;
  }
  if (g_bootCount < 2) {
    ++g_bootCount;
    return;
  }
  // Names first, sends after: a rebuild nested in a send may erase entries,
  // so each ghost is looked up again right before its own send.
  std::vector<std::string> names;
  for (const auto& [name, record] : Ghosts())
    if (record.active) names.push_back(name);
  for (const std::string& name : names) {
    const GhostRecord* ghost = FindGhost(name);
    if (!ghost || !ghost->active) continue;
    // A recognizer that does not answer gets the rest of the batch on a later
    // tick: each send may wait its full bound, and the host's thread with it.
    const std::string sakuraName = ghost->sakuraName;
    if (!SendActivationTo(window, true, sakuraName)) break;
  }
}
