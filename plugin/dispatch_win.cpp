#include "dispatch_win.h"

#include "events_win.h"
#include "ghost_scan_win.h"

void RunHandler(Handler handler) {
  switch (handler) {
    case Handler::kGhostPathList:
      OnGhostPathList();
      break;
    case Handler::kGhostBoot:
      OnGhostBoot();
      break;
    case Handler::kGhostInfoUpdate:
      OnGhostInfoUpdate();
      break;
    case Handler::kGhostExit:
      OnGhostExit();
      break;
    case Handler::kMenuExec:
      OnMenuExec();
      break;
    case Handler::kInstallComplete:
      OnInstallComplete();
      break;
    case Handler::kSecondChange:
    case Handler::kNone:
      break;
  }
}
