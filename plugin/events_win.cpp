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
// The name at which the last tick ran out of time or met a send that failed;
// the next tick starts there. Empty: start from the first name.
static std::string g_resumeAt;

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

void StartGhostSession() {
  g_bootCount = 0;
  g_resumeAt.clear();
  // Entries and the ghost root stay: the host sends ghostpathlist after every
  // load anyway, and its boot events name the ghosts that run now.
  ClearActiveFlags();
}

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
  // The whole batch shares one send bound, so a slow recognizer holds the
  // host's thread about one bound per tick, however many ghosts run. A batch
  // cut short (budget spent, or a send that failed) leaves its place here and
  // the next tick goes on from it to the end of the names, in ascending order;
  // a tick that reaches the end starts the next one from the first name. Every
  // running ghost is thus announced within a few ticks.
  const DWORD start = GetTickCount();
  // Names first, sends after: a rebuild nested in a send may erase entries,
  // so each ghost is looked up again right before its own send.
  std::vector<std::string> names;
  for (auto it = Ghosts().lower_bound(g_resumeAt); it != Ghosts().end(); ++it)
    if (it->second.active) names.push_back(it->first);
  for (const std::string& name : names) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= kSendTimeoutMs) {
      g_resumeAt = name;
      return;
    }
    const GhostRecord* ghost = FindGhost(name);
    if (!ghost || !ghost->active) continue;
    const std::string sakuraName = ghost->sakuraName;
    if (!SendActivationTo(window, true, sakuraName, kSendTimeoutMs - spent)) {
      g_resumeAt = name;
      return;
    }
  }
  g_resumeAt.clear();
}
